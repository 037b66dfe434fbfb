qm_fuzz_target(header_script_fuzz DEPS raw)
