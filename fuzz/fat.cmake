qm_fuzz_target(fat_boot_sector_fuzz DEPS fatext2)
qm_fuzz_target(fat_table_fuzz DEPS fatext2)
qm_fuzz_target(fat_tree_fuzz DEPS fatext2)
# The lost-partition checkers over a small disk in memory.
qm_fuzz_target(lost_partition_fuzz DEPS fatext2)
if(TARGET lost_partition_fuzz)
  target_sources(lost_partition_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/memory_device.cpp)
  target_include_directories(lost_partition_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endif()
