qm_fuzz_target(disk_image_fuzz DEPS imagefile)
