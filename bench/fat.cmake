qm_bench(fat_table DEPS fatext2)
qm_bench(fat_dir_scan DEPS fatext2)
