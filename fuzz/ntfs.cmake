qm_fuzz_target(ntfs_record_fuzz DEPS ntfs)
