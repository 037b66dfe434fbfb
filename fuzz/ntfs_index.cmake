qm_fuzz_target(index_record_fuzz DEPS ntfs)
