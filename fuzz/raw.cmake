qm_fuzz_target(header_script_fuzz DEPS raw)
qm_fuzz_target(raw_file_properties_fuzz DEPS raw)
qm_fuzz_target(raw_search_controller_fuzz DEPS raw)
