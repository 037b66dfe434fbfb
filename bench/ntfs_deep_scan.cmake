qm_bench(ntfs_deep_scan DEPS ntfs)
target_compile_definitions(ntfs_deep_scan_bench PRIVATE QM_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
