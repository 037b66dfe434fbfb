qm_bench(custom_header DEPS raw)
qm_bench(raw_tree DEPS raw)
qm_bench(raw_search DEPS raw)
# The image of real files that the carving tests sweep.
target_sources(raw_search_bench PRIVATE
  ${PROJECT_SOURCE_DIR}/tests/raw/carving_image.cpp
  ${PROJECT_SOURCE_DIR}/tests/raw/format_fixture.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/scratch_files.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/memory_device.cpp)
target_include_directories(raw_search_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/tests/raw)
target_compile_definitions(raw_search_bench PRIVATE QM_BENCH_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
