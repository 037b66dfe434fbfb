qm_bench(ntfs_index DEPS ntfs)
