qm_fuzz_target(analysers_media_fuzz DEPS raw)
