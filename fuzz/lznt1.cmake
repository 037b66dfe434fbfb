qm_fuzz_target(lznt1_fuzz DEPS filemodel)
qm_fuzz_target(file_copy_fuzz DEPS filemodel)
