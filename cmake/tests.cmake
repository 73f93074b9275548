# Unit tests of the portable core, the same suite for the native and the
# Windows builds. Under Windows CTest prefixes every test with Wine's loader
# (CMAKE_CROSSCOMPILING_EMULATOR); the 32-bit build is compiled, not run.

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# The model's message box is recorded, not shown, in every test program.
set(INPUT_RECORDER_SOURCES tests/support/input_message_recorder.cpp)
set(TEST_SUPPORT_SOURCES tests/support/test_main.cpp tests/support/worked_example.cpp ${INPUT_RECORDER_SOURCES})

set(MODEL_TEST_SOURCES
  tests/files/settings_image_test.cpp
  tests/model/estimation_test.cpp
  tests/model/extended_math_test.cpp
  tests/model/number_text_test.cpp
  tests/model/settings_record_test.cpp)
if(NOT WIN32)
  # glibc's printf is the independent oracle for the decimal conversion.
  list(APPEND MODEL_TEST_SOURCES tests/model/real_to_text_oracle_test.cpp)
endif()

add_executable(core_tests ${MODEL_TEST_SOURCES} ${TEST_SUPPORT_SOURCES})
target_link_libraries(core_tests PRIVATE halv_files halv_display_text GTest::gtest)
halv_warnings(core_tests)

gtest_discover_tests(core_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)

if(NOT WIN32 AND NOT HALV_SANITIZE)
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    # With hvdtool range's draws per second on one thread and on all.
    add_executable(model_bench tests/model/model_bench.cpp tests/tools/range_bench.cpp ${INPUT_RECORDER_SOURCES})
    target_link_libraries(model_bench PRIVATE halv_model hvdtool_core benchmark::benchmark)
    target_compile_definitions(model_bench PRIVATE HALV_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    halv_warnings(model_bench)
  endif()
endif()

# install-deps.sh's bookworm-backports entry, taken from package sources
# laid out in temporary folders as machines have them (a mirror of their
# own, one-line or deb822): the build machine's tools, so native only.
if(NOT WIN32 AND NOT HALV_SANITIZE)
  add_test(NAME backports_source
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/cmake/backports_source_test.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/backports-source)
  set_tests_properties(backports_source PROPERTIES TIMEOUT 60)
endif()

if(WIN32)
  add_executable(wine_keepalive WIN32 tests/support/wine_keepalive.cpp)
  halv_warnings(wine_keepalive)
endif()

# The Win32 settings files on Wine's file system, with real message boxes
# that the spy reads and answers. They share the desktop with the other
# GUI tests, so they never run alongside them.
if(WIN32)
  add_executable(files_win_tests
    tests/files/settings_file_win_test.cpp
    tests/support/message_box_spy.cpp
    tests/support/test_main.cpp
    tests/support/worked_example.cpp)
  target_link_libraries(files_win_tests PRIVATE halv_win32_glue GTest::gtest)
  halv_warnings(files_win_tests)
  gtest_discover_tests(files_win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120 RESOURCE_LOCK desktop)
  # The full-disk case on a small file system of its own, in a mount
  # namespace with its own Wine (cmake/with-small-disk.sh): it must run,
  # not be skipped.
  add_test(NAME settings_full_disk
    COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/with-small-disk.sh
            bash ${CMAKE_SOURCE_DIR}/cmake/wine-screen.sh 1024x768
            ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:files_win_tests>
            --gtest_filter=SettingsFileWin.AFullDiskLeavesTheOldFilesAsTheyWere)
  set_tests_properties(settings_full_disk PROPERTIES
    TIMEOUT 300 PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test")
endif()
include(cmake/app_tests.cmake)

include(cmake/screen_tests.cmake)
include(cmake/wizard_tests.cmake)
include(cmake/file_dialog_tests.cmake)
