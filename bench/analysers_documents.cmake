qm_bench(analysers_documents DEPS raw)
