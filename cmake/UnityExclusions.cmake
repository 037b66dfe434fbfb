# Sources compiled on their own in a unity build: each declares at file
# scope (often in an anonymous namespace) a name that another source of the
# same target declares differently. Renaming such a name lets its source
# join the batches again; a new source that collides belongs here, or is
# better renamed.
#
# The searched-partition records of storage use what the file model library
# defines: kept apart, they join a program only when it needs them, and the
# programs that link storage without the file model still link.
set(QM_UNITY_EXCLUDED
  src/app/log_report.cpp
  src/dialogs/file_preview_dlg.cpp
  src/dialogs/lost_partition_searching_dlg.cpp
  src/filemodel/scan_state_store.cpp
  src/imaging/open_disk_image_master_dlg.cpp
  src/ntfs/log_pages.cpp
  src/ntfs/tree_build_filters.cpp
  src/raw/rar_blocks.cpp
  src/storage/intelligent_search_score.cpp
  src/storage/searched_partition_info.cpp
  src/wizard/pages/save_result_page.cpp
  src/wizard/steps/scan_partition_controllers.cpp
  tests/fatext2/ext2_fixture.cpp
  tests/fatext2/partition_search_controllers_test.cpp
  tests/fatext2/partition_search_ntfs_test.cpp
  tests/fatext2/partition_search_tools_test.cpp
  tests/filemodel/packed_data_run_list_test.cpp
  tests/ntfs/fixture_volume_test.cpp
  tests/ntfs/index_record_test.cpp
  tests/ntfs/log_pages_test.cpp
  tests/ntfs/mft_record_test.cpp
  tests/ntfs/mutated_records_test.cpp
  tests/preview/rtf_reader_test.cpp
  tests/raw/analysers_documents_test.cpp
  tests/raw/analysers_drawings_test.cpp
  tests/raw/analysers_media_test.cpp
  tests/raw/analysers_mp3_test.cpp
  tests/raw/analysers_pictures_test.cpp
  tests/raw/analysers_text_fonts_test.cpp
  tests/raw/end_marker_test.cpp
  tests/raw/run_intelligent_search_test.cpp
  tests/raw/saved_scan_test.cpp
  tests/raw/scan_result_sections_test.cpp
  tests/storage/device_collection_test.cpp
  tests/storage/dynamic_volume_test.cpp
  tests/storage/mem_alloc_test.cpp
  tests/storage/storage_device_with_cache_test.cpp
)

# Marks the excluded sources in DIRECTORY and every directory below it, since
# a source's properties belong to the directory of the target that builds it.
function(qm_unity_exclude directory)
  set(sources "")
  foreach(source ${QM_UNITY_EXCLUDED})
    list(APPEND sources ${PROJECT_SOURCE_DIR}/${source})
  endforeach()
  if(sources)
    set_source_files_properties(${sources} DIRECTORY ${directory} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  endif()
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory ${subdirectories})
    qm_unity_exclude(${subdirectory})
  endforeach()
endfunction()
