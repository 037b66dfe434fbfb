qm_fuzz_target(ntfs_record_fuzz DEPS ntfs)
# Reads a volume through the in-memory sector device of the test support.
qm_fuzz_target(ntfs_volume_fuzz DEPS ntfs)
if(TARGET ntfs_volume_fuzz)
  target_sources(ntfs_volume_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/memory_device.cpp)
  target_include_directories(ntfs_volume_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endif()
# Builds the tree of a small volume through the in-memory sector device.
qm_fuzz_target(ntfs_tree_fuzz DEPS ntfs)
if(TARGET ntfs_tree_fuzz)
  target_sources(ntfs_tree_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/memory_device.cpp)
  target_include_directories(ntfs_tree_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endif()
# Sweeps a small disk with the NTFS deep-scan controller.
qm_fuzz_target(ntfs_deep_scan_fuzz DEPS ntfs)
if(TARGET ntfs_deep_scan_fuzz)
  target_sources(ntfs_deep_scan_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/memory_device.cpp)
  target_include_directories(ntfs_deep_scan_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endif()
