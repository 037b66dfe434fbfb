qm_bench(partition_table DEPS storage)
