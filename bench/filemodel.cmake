qm_bench(file_tree DEPS filemodel)
