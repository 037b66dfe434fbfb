qm_bench(ext2 DEPS fatext2)
