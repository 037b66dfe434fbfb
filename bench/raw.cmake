qm_bench(custom_header DEPS raw)
