qm_bench(fat_table DEPS fatext2)
