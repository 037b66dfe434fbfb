qm_bench(image_device DEPS storage)
qm_bench(cache DEPS storage)
