qm_bench(end_marker DEPS raw)
