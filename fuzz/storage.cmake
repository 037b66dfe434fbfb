qm_fuzz_target(text_convert_fuzz DEPS storage)
