qm_fuzz_target(rtf_reader_fuzz DEPS preview)
qm_fuzz_target(compound_file_fuzz DEPS preview)
