qm_bench(codec DEPS codecs)
