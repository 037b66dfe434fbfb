qm_bench(file_tree DEPS filemodel)
qm_bench(name_lookup DEPS filemodel)
qm_bench(result_stream DEPS filemodel)
qm_bench(file_copy DEPS filemodel)
