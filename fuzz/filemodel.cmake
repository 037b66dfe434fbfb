qm_fuzz_target(mapping_pairs_fuzz DEPS filemodel)
qm_fuzz_target(rs_data_fuzz DEPS filemodel)
qm_fuzz_target(saved_extents_fuzz DEPS filemodel)
