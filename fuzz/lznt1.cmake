qm_fuzz_target(lznt1_fuzz DEPS filemodel)
