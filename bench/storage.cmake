qm_bench(image_device DEPS storage)
