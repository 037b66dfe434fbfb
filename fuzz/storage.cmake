qm_fuzz_target(text_convert_fuzz DEPS storage)
qm_fuzz_target(dynamic_disk_fuzz DEPS storage)
