qm_fuzz_target(ext2_fuzz DEPS fatext2)
qm_fuzz_target(ext2_tree_fuzz DEPS fatext2)
