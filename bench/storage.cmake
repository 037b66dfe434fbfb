qm_bench(image_device DEPS storage)
qm_bench(cache DEPS storage)
qm_bench(intelligent_search DEPS storage)
