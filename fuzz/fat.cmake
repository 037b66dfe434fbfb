qm_fuzz_target(fat_boot_sector_fuzz DEPS fatext2)
qm_fuzz_target(fat_table_fuzz DEPS fatext2)
qm_fuzz_target(fat_tree_fuzz DEPS fatext2)
