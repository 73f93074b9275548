# hvdtool, the settings-file companion tool, and the settings files the
# build makes with it from their text sources.

# Output of all three tools: files replaced whole, standard output checked.
add_library(tool_output STATIC tools/tool_output.cpp)
target_include_directories(tool_output PUBLIC ${CMAKE_SOURCE_DIR})
halv_warnings(tool_output)

# The program's default settings built into hvdtool, for range
# descriptions without a Base.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/Internal.txt)
file(READ ${CMAKE_SOURCE_DIR}/resources/Internal.txt HALV_DEFAULT_SETTINGS)
configure_file(${CMAKE_SOURCE_DIR}/tools/hvdtool/range/default_settings.cpp.in ${CMAKE_BINARY_DIR}/generated/default_settings.cpp @ONLY)

add_library(hvdtool_core STATIC
  tools/hvdtool/solve/break_even.cpp
  tools/hvdtool/command_options.cpp
  tools/hvdtool/settings/diff_command.cpp
  tools/hvdtool/range/distribution_svg.cpp
  tools/hvdtool/range/distributions.cpp
  tools/hvdtool/range/observation.cpp
  tools/hvdtool/range/range_model.cpp
  ${CMAKE_BINARY_DIR}/generated/default_settings.cpp
  tools/hvdtool/range/draw_blocks.cpp
  tools/hvdtool/output/json_writer.cpp
  tools/hvdtool/output/number_format.cpp
  tools/hvdtool/range/range_command.cpp
  tools/hvdtool/range/range_histogram.cpp
  tools/hvdtool/range/range_report.cpp
  tools/hvdtool/range/range_run.cpp
  tools/hvdtool/range/range_sampler.cpp
  tools/hvdtool/range/range_svg.cpp
  tools/hvdtool/range/sobol_indices.cpp
  tools/hvdtool/range/sobol_report.cpp
  tools/hvdtool/range/sobol_run.cpp
  tools/hvdtool/range/sobol_svg.cpp
  tools/hvdtool/settings/result_values.cpp
  tools/hvdtool/settings/settings_check.cpp
  tools/hvdtool/settings/settings_diff.cpp
  tools/hvdtool/settings/settings_fields.cpp
  tools/hvdtool/settings/settings_source.cpp
  tools/hvdtool/settings/show_json.cpp
  tools/hvdtool/solve/solve_command.cpp
  tools/hvdtool/output/svg_parts.cpp
  tools/hvdtool/tool_files.cpp)
# Boost.Math's distributions, header-only (Debian's libboost-dev). The
# cross compilers get the boost folder alone, not the rest of /usr/include.
if(CMAKE_CROSSCOMPILING)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/boost-include)
  file(CREATE_LINK /usr/include/boost ${CMAKE_BINARY_DIR}/boost-include/boost SYMBOLIC)
  target_include_directories(hvdtool_core SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/boost-include)
  # Boost takes MinGW's thread_local for unusable, and Boost.Math then
  # prints a C++03 caution for every file that includes it. It works the
  # same without (its caches are shared instead), and the Windows tool's
  # output is compared byte for byte with the host's.
  target_compile_definitions(hvdtool_core PUBLIC BOOST_MATH_DISABLE_DEPRECATED_03_WARNING)
endif()
find_package(Threads REQUIRED)
target_link_libraries(hvdtool_core PUBLIC halv_files halv_display_text tool_output Threads::Threads)
halv_warnings(hvdtool_core)

add_executable(hvdtool tools/hvdtool/hvdtool.cpp tools/hvdtool/tool_messages.cpp)
target_link_libraries(hvdtool PRIVATE hvdtool_core)
halv_warnings(hvdtool)

# The settings files are made by an hvdtool that runs on the build machine:
# this one, or in a Windows build one built natively on the side.
if(CMAKE_CROSSCOMPILING)
  include(ExternalProject)
  ExternalProject_Add(host_hvdtool
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/host-tools
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DHALV_TESTS=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build . --target hvdtool iconmaker hlpc
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)
  set(HOST_HVDTOOL ${CMAKE_BINARY_DIR}/host-tools/hvdtool)
  set(HOST_HVDTOOL_TARGET host_hvdtool)
else()
  set(HOST_HVDTOOL $<TARGET_FILE:hvdtool>)
  set(HOST_HVDTOOL_TARGET hvdtool)
endif()

# resources/NAME.txt -> build/NAME.hvd, beside the program; with a folder,
# halv_settings_file(NAME FOLDER): resources/FOLDER/NAME.txt ->
# build/FOLDER/NAME.hvd.
function(halv_settings_file name)
  set(folder "")
  if(ARGC GREATER 1)
    set(folder "/${ARGV1}")
  endif()
  set(source ${CMAKE_SOURCE_DIR}/resources${folder}/${name}.txt)
  set(output ${CMAKE_BINARY_DIR}${folder}/${name}.hvd)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}${folder}
    COMMAND ${HOST_HVDTOOL} make ${source} ${output}
    DEPENDS ${source} ${HOST_HVDTOOL_TARGET}
    COMMENT "Making ${name}.hvd"
    VERBATIM)
  add_custom_target(settings_${name} ALL DEPENDS ${output})
endfunction()

halv_settings_file(Internal)

# The scenarios at the two ends and the middle of the published ranges,
# for hvdtool diff and range: build/scenarios/NAME.hvd.
set(HALV_SCENARIOS Pessimistic Middle Optimistic)
foreach(scenario ${HALV_SCENARIOS})
  halv_settings_file(${scenario} scenarios)
endforeach()

# Range descriptions for hvdtool range, beside the files they draw from.
set(HALV_RANGE_DESCRIPTIONS Sandberg2018)
foreach(description ${HALV_RANGE_DESCRIPTIONS})
  configure_file(${CMAKE_SOURCE_DIR}/resources/scenarios/${description}.txt ${CMAKE_BINARY_DIR}/scenarios/${description}.txt COPYONLY)
endforeach()

# Published estimates of the number of civilizations, each in the program's
# parameters, for the user to load: build/scenarios/published/NAME.hvd.
set(HALV_PUBLISHED_SCENARIOS GreenBank1961Low GreenBank1961High DrakeLaterValues FrankSullivan2016
    WestbyConselice2020)
foreach(scenario ${HALV_PUBLISHED_SCENARIOS})
  halv_settings_file(${scenario} scenarios/published)
endforeach()

if(HALV_TESTS)
  add_executable(hvdtool_tests
    tests/tools/hvdtool_test.cpp
    tests/tools/hvdtool_diff_test.cpp
    tests/tools/hvdtool_range_test.cpp
    tests/tools/hvdtool_model_test.cpp
    tests/support/test_main.cpp
    tools/hvdtool/tool_messages.cpp)
  target_link_libraries(hvdtool_tests PRIVATE hvdtool_core GTest::gtest)
  halv_warnings(hvdtool_tests)
  gtest_discover_tests(hvdtool_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
  # The command line as a user runs it, on files the test makes.
  if(CMAKE_CROSSCOMPILING)
    set(HVDTOOL_COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:hvdtool>)
  else()
    set(HVDTOOL_COMMAND $<TARGET_FILE:hvdtool>)
  endif()
  add_test(NAME hvdtool_command_line
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/hvdtool_cli_test.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/hvdtool-cli ${HVDTOOL_COMMAND})
  # About a hundred runs of the tool: under the 32-bit emulation each starts
  # Wine anew, 160 s on an idle machine and 240 s beside two busy loops.
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(hvdtool_command_line PROPERTIES TIMEOUT 900)
    add_test(NAME hvdtool_same_output_as_host
      COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/hvdtool_same_output_test.sh ${CMAKE_BINARY_DIR}/scenarios
              ${CMAKE_BINARY_DIR}/hvdtool-same ${HOST_HVDTOOL} ${HVDTOOL_COMMAND})
    set_tests_properties(hvdtool_same_output_as_host PROPERTIES TIMEOUT 300)
  else()
    set_tests_properties(hvdtool_command_line PROPERTIES TIMEOUT 300)
  endif()
  # The scenario files the build made: every one accepted by the wizard.
  foreach(scenario ${HALV_SCENARIOS})
    add_test(NAME hvdtool_scenario_${scenario}
      COMMAND ${HVDTOOL_COMMAND} check ${CMAKE_BINARY_DIR}/scenarios/${scenario}.hvd)
  endforeach()
  foreach(scenario ${HALV_PUBLISHED_SCENARIOS})
    add_test(NAME hvdtool_scenario_published_${scenario}
      COMMAND ${HVDTOOL_COMMAND} check ${CMAKE_BINARY_DIR}/scenarios/published/${scenario}.hvd)
  endforeach()
endif()
