qm_fuzz_target(ext2_fuzz DEPS fatext2)
