qm_bench(ntfs_tree DEPS ntfs)
# The volume is made by the same code as the tests' large $MFT.
target_sources(ntfs_tree_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/ntfs/large_mft_image.cpp)
target_include_directories(ntfs_tree_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_compile_definitions(ntfs_tree_bench PRIVATE QM_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
