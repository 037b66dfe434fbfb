qm_bench(ntfs_tree DEPS ntfs)
target_compile_definitions(ntfs_tree_bench PRIVATE QM_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
