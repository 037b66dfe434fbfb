qm_bench(ext2 DEPS fatext2)
qm_bench(ext2_tree DEPS fatext2)
