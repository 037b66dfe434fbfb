# Targets of the windowed folders (src/app and after): Qt 6 Widgets with moc,
# resources and a precompiled header, so that Qt's heavy headers are parsed
# once per target instead of once per source file.

set(QM_QT_PRECOMPILED ${PROJECT_SOURCE_DIR}/cmake/qt_precompiled.h)

# ccache only caches sources built against a precompiled header when it may
# ignore the header's defines and time stamps; tell it so for these targets
# when the build goes through ccache.
function(qm_qt_ccache target)
  if(CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache")
    set_property(TARGET ${target} PROPERTY CXX_COMPILER_LAUNCHER
      ${CMAKE_COMMAND} -E env CCACHE_SLOPPINESS=pch_defines,time_macros
      ${CMAKE_CXX_COMPILER_LAUNCHER})
  endif()
endfunction()

# Qt settings every windowed target shares. HEADER is the precompiled header.
function(qm_qt_defaults target header)
  qm_target_defaults(${target})
  set_target_properties(${target} PROPERTIES AUTOMOC ON AUTORCC ON AUTOUIC OFF)
  # moc must run again when the list of sources changes: Ninja's AUTOMOC
  # step does not notice a new Q_OBJECT header by itself. The globs rerun
  # CMake on a new file; the step's stamp is then removed.
  get_target_property(sources ${target} SOURCES)
  set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_sources.txt)
  set(old_sources "")
  if(EXISTS ${list_file})
    file(READ ${list_file} old_sources)
  endif()
  if(NOT old_sources STREQUAL "${sources}")
    file(WRITE ${list_file} "${sources}")
    file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp)
  endif()
  target_link_libraries(${target} PUBLIC Qt6::Widgets Qt6::Xml)
  # No Qt keywords: `signals`, `slots` and `emit` are spelled Q_SIGNALS,
  # Q_SLOTS and Q_EMIT, so no other header's names are taken.
  target_compile_definitions(${target} PUBLIC QT_NO_KEYWORDS)
  if(NOT QM_FUZZ)
    target_precompile_headers(${target} PRIVATE ${header})
    qm_qt_ccache(${target})
  endif()
endfunction()

# A static library from every .cpp and .qrc of a windowed src/ folder and of
# its SUBDIRS, except those named after EXCLUDE (a program's main source).
function(qm_ui_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE;SUBDIRS" ${ARGN})
  # Headers are listed too: AUTOMOC then notices a new Q_OBJECT header at
  # once (found only through its source, it would wait for a rerun).
  set(patterns ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  foreach(dir ${ARG_SUBDIRS})
    list(APPEND patterns ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h
         ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.qrc)
  endforeach()
  file(GLOB srcs CONFIGURE_DEPENDS ${patterns})
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(srcs)
    add_library(${name} STATIC ${srcs})
    qm_qt_defaults(${name} ${QM_QT_PRECOMPILED})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS} Qt6::Widgets Qt6::Xml)
    target_compile_definitions(${name} INTERFACE QT_NO_KEYWORDS)
  endif()
endfunction()

# A windowed program from SOURCES, linked to DEPS.
function(qm_ui_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  qm_qt_defaults(${name} ${QM_QT_PRECOMPILED})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()

# One windowed test executable per tests/ folder, one CTest entry, run on the
# offscreen platform. The test main (tests/support_ui) makes the QApplication.
function(qm_ui_test_suite name)
  cmake_parse_arguments(ARG "" "SHARDS" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name}_tests ${srcs})
  qm_qt_defaults(${name}_tests ${PROJECT_SOURCE_DIR}/tests/support_ui/ui_test_precompiled.h)
  target_include_directories(${name}_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name}_tests PRIVATE ${ARG_DEPS} testsupport_ui)
  qm_suite_tests(${name} ${name}_tests
    "GTEST_BRIEF=1;QUENMARK_NO_MACHINE_DISKS=1;QT_QPA_PLATFORM=offscreen;QUENMARK_NONINTERACTIVE=1;ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support_ui/lsan.supp:print_suppressions=0;TSAN_OPTIONS=allocator_may_return_null=1;UBSAN_OPTIONS=print_stacktrace=1;QM_SOURCE_DIR=${PROJECT_SOURCE_DIR};QM_BINARY_DIR=${PROJECT_BINARY_DIR}"
    "${ARG_SHARDS}")
endfunction()
