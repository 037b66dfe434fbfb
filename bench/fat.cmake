qm_bench(fat_table DEPS fatext2)
qm_bench(fat_dir_scan DEPS fatext2)
qm_bench(fat_tree DEPS fatext2)
# The in-memory volume writer that the tests use too.
target_include_directories(fat_tree_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/fatext2)
qm_bench(lost_partition DEPS fatext2)
qm_bench(deep_scan DEPS fatext2)
