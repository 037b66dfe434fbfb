qm_bench(dynamic_volume DEPS storage)
