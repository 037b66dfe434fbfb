qm_bench(custom_header DEPS raw)
qm_bench(raw_tree DEPS raw)
