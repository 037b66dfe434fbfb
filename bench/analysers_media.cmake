qm_bench(analysers_media DEPS raw)
