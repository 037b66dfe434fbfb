qm_bench(deleted_claims DEPS fatext2)
# The in-memory volume writer that the tests use too.
target_include_directories(deleted_claims_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/fatext2)
