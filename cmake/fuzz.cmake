# libFuzzer targets of the portable core (build/fuzz, clang only). The core
# libraries get the fuzzer's coverage instrumentation and the sanitizers; the
# fuzz programs link libFuzzer's main. cmake/run-fuzzers.sh runs them.
#
# The settings-image seeds are written at build time from the text
# descriptions in tests/fuzz/corpus/settings_image/, by the program's own
# encoder, so the repository holds no binary it cannot regenerate.

if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "HALV_FUZZ needs clang++ (CXX=clang++), not ${CMAKE_CXX_COMPILER_ID}")
endif()

set(FUZZ_COMMON_FLAGS -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
set(FUZZ_LIBRARY_FLAGS -fsanitize=fuzzer-no-link,address,undefined ${FUZZ_COMMON_FLAGS})
set(FUZZ_PROGRAM_FLAGS -fsanitize=fuzzer,address,undefined ${FUZZ_COMMON_FLAGS})

foreach(library halv_model halv_files)
  target_compile_options(${library} PRIVATE ${FUZZ_LIBRARY_FLAGS})
endforeach()

function(halv_fuzzer name)
  add_executable(${name} tests/fuzz/${name}.cpp)
  target_link_libraries(${name} PRIVATE halv_files)
  target_compile_options(${name} PRIVATE ${FUZZ_PROGRAM_FLAGS})
  target_link_options(${name} PRIVATE ${FUZZ_PROGRAM_FLAGS})
  halv_warnings(${name})
endfunction()

halv_fuzzer(settings_image_fuzz)
halv_fuzzer(number_text_fuzz)

# hvdtool's two text forms: the settings source and the range description.
file(READ ${CMAKE_SOURCE_DIR}/resources/Internal.txt HALV_DEFAULT_SETTINGS)
configure_file(${CMAKE_SOURCE_DIR}/tools/hvdtool/range/default_settings.cpp.in ${CMAKE_BINARY_DIR}/generated/default_settings.cpp @ONLY)
add_library(hvdtool_text STATIC
  tools/hvdtool/output/number_format.cpp
  tools/hvdtool/range/distributions.cpp
  tools/hvdtool/range/range_model.cpp
  tools/hvdtool/range/range_sampler.cpp
  tools/hvdtool/settings/settings_check.cpp
  tools/hvdtool/settings/settings_fields.cpp
  tools/hvdtool/settings/settings_source.cpp
  ${CMAKE_BINARY_DIR}/generated/default_settings.cpp)
target_include_directories(hvdtool_text PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(hvdtool_text PUBLIC halv_files)
target_compile_options(hvdtool_text PRIVATE ${FUZZ_LIBRARY_FLAGS})
halv_fuzzer(settings_source_fuzz)
target_link_libraries(settings_source_fuzz PRIVATE hvdtool_text)

# Seed images: one .hvd per description, in build/fuzz/seeds/settings_image.
add_executable(settings_seed_writer tests/fuzz/settings_seed_writer.cpp)
target_link_libraries(settings_seed_writer PRIVATE halv_files)
target_link_options(settings_seed_writer PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
halv_warnings(settings_seed_writer)

file(GLOB SETTINGS_SEED_DESCRIPTIONS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/settings_image/*.txt)
set(SETTINGS_SEED_DIR ${CMAKE_BINARY_DIR}/seeds/settings_image)
set(SETTINGS_SEEDS)
foreach(description ${SETTINGS_SEED_DESCRIPTIONS})
  get_filename_component(seed_name ${description} NAME_WE)
  set(seed ${SETTINGS_SEED_DIR}/${seed_name}.hvd)
  add_custom_command(OUTPUT ${seed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SETTINGS_SEED_DIR}
    COMMAND settings_seed_writer ${description} ${seed}
    DEPENDS settings_seed_writer ${description}
    COMMENT "Writing seed image ${seed_name}.hvd"
    VERBATIM)
  list(APPEND SETTINGS_SEEDS ${seed})
endforeach()
add_custom_target(settings_image_seeds ALL DEPENDS ${SETTINGS_SEEDS})

# What `make fuzz` builds: the fuzzers and their seeds, nothing else.
add_custom_target(fuzzers DEPENDS settings_image_fuzz number_text_fuzz settings_source_fuzz settings_image_seeds)
