qm_bench(file_list DEPS controls)
