qm_bench(imaging DEPS imagefile)
