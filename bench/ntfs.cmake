qm_bench(ntfs_record DEPS ntfs)
