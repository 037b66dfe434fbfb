qm_bench(file_tree DEPS filemodel)
qm_bench(name_lookup DEPS filemodel)
