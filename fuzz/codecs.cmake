qm_fuzz_target(codec_fuzz DEPS codecs)
