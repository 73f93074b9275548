# hlpc, the help compiler, and the program's help files, which the build
# compiles from resources/help/Halvdyne.txt into the build directory, beside
# the program (like Internal.hvd): Halvdyne.hlp for WinHelp and Halvdyne.chm
# for the HTML Help of the Windows versions without WinHelp. The compiler
# has to run on the build machine: in a Windows build that is the native one
# tools.cmake builds on the side (host_hvdtool).

set(HLPC_SOURCES
  ${CMAKE_SOURCE_DIR}/tools/hlpc/help_file.cpp
  ${CMAKE_SOURCE_DIR}/tools/hlpc/help_source.cpp
  ${CMAKE_SOURCE_DIR}/tools/hlpc/html_help.cpp)
add_library(hlpc_core STATIC ${HLPC_SOURCES})
target_include_directories(hlpc_core PUBLIC ${CMAKE_SOURCE_DIR})
halv_warnings(hlpc_core)

add_executable(hlpc tools/hlpc/hlpc.cpp)
target_link_libraries(hlpc PRIVATE hlpc_core tool_output)
halv_warnings(hlpc)

if(CMAKE_CROSSCOMPILING)
  set(HOST_HLPC ${CMAKE_BINARY_DIR}/host-tools/hlpc)
  set(HOST_HLPC_TARGET host_hvdtool)
else()
  set(HOST_HLPC $<TARGET_FILE:hlpc>)
  set(HOST_HLPC_TARGET hlpc)
endif()

set(HALV_HELP_SOURCE ${CMAKE_SOURCE_DIR}/resources/help/Halvdyne.txt)
set(HALV_HELP_FILE ${CMAKE_BINARY_DIR}/Halvdyne.hlp)
# The compiler's sources are named too, so that a Windows build recompiles
# the help after the host tool changed.
add_custom_command(
  OUTPUT ${HALV_HELP_FILE}
  COMMAND ${HOST_HLPC} ${HALV_HELP_SOURCE} ${HALV_HELP_FILE}
  DEPENDS ${HALV_HELP_SOURCE} ${HOST_HLPC_TARGET} ${HLPC_SOURCES} ${CMAKE_SOURCE_DIR}/tools/hlpc/hlpc.cpp
  COMMENT "Compiling Halvdyne.hlp"
  VERBATIM)
add_custom_target(help_file ALL DEPENDS ${HALV_HELP_FILE})

# Halvdyne.chm: hlpc writes the same help as an HTML Help project into
# help-html/, and chmcmd (Debian's fp-utils) compiles it.
#
# chmcmd 3.2.2 stores each context number's target as the project file's
# absolute folder plus the page name. Compiled in /some/folder, context 3
# then leads to "/some/folder/page.html", which is not in the archive, where
# every name starts at "/": the program's Help buttons would open nothing.
# Nothing in the project or on chmcmd's command line changes that folder (it
# comes from the expanded project file name), so cmake/compile-chm.sh runs
# chmcmd in a throw-away chroot that holds only chmcmd, the C library it
# loads and the project, all at "/": the targets read "/page.html". That
# needs no mounts, no network and nothing outside Debian's base system;
# chroot takes root (as in CI) or, for a developer, a user namespace. The script also zeroes
# the two compile times chmcmd writes, so that the same help gives the same
# bytes.
find_program(HALV_CHMCMD chmcmd)
find_program(HALV_CHMLS chmls)
if(NOT HALV_CHMCMD OR NOT HALV_CHMLS)
  message(FATAL_ERROR "chmcmd and chmls, the HTML Help compiler and lister that make Halvdyne.chm, are missing: "
                      "cmake/install-deps.sh installs them (Debian package fp-utils)")
endif()
set(HALV_HTML_HELP_DIR ${CMAKE_BINARY_DIR}/help-html)
set(HALV_HTML_HELP_PROJECT ${HALV_HTML_HELP_DIR}/Halvdyne.hhp)
set(HALV_CHM_FILE ${CMAKE_BINARY_DIR}/Halvdyne.chm)
add_custom_command(
  OUTPUT ${HALV_HTML_HELP_PROJECT}
  COMMAND ${HOST_HLPC} --html ${HALV_HELP_SOURCE} ${HALV_HTML_HELP_DIR}
  DEPENDS ${HALV_HELP_SOURCE} ${HOST_HLPC_TARGET} ${HLPC_SOURCES} ${CMAKE_SOURCE_DIR}/tools/hlpc/hlpc.cpp
  COMMENT "Writing the HTML Help project of Halvdyne.chm"
  VERBATIM)
add_custom_command(
  OUTPUT ${HALV_CHM_FILE}
  COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/compile-chm.sh ${HALV_CHMCMD} ${HALV_CHMLS} ${HALV_HTML_HELP_PROJECT} ${HALV_CHM_FILE}
  DEPENDS ${HALV_HTML_HELP_PROJECT} ${CMAKE_SOURCE_DIR}/cmake/compile-chm.sh
  COMMENT "Compiling Halvdyne.chm"
  VERBATIM)
add_custom_target(help_chm ALL DEPENDS ${HALV_CHM_FILE})

# --- tests ---------------------------------------------------------------------
if(HALV_TESTS AND NOT CMAKE_CROSSCOMPILING)
  # The compiler's files read back field by field, its error messages, and
  # the program's own help files.
  add_executable(hlpc_tests
    tests/tools/hlpc_test.cpp
    tests/help/halvdyne_help_test.cpp
    tests/help/hlp_reader.cpp
    tests/support/input_message_recorder.cpp
    tests/support/test_main.cpp)
  target_link_libraries(hlpc_tests PRIVATE halv_display_text halv_model GTest::gtest)
  target_include_directories(hlpc_tests PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(hlpc_tests PRIVATE
    HLPC_PATH="$<TARGET_FILE:hlpc>"
    HALVDYNE_HLP_PATH="${HALV_HELP_FILE}"
    HALVDYNE_CHM_PATH="${HALV_CHM_FILE}"
    CHMLS_PATH="${HALV_CHMLS}"
    WIZARD_RC_PATH="${CMAKE_SOURCE_DIR}/resources/wizard.rc")
  add_dependencies(hlpc_tests hlpc help_file help_chm)
  halv_warnings(hlpc_tests)
  gtest_discover_tests(hlpc_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endif()

# Wine's help viewers: Halvdyne.hlp with the contexts asked for directly,
# and the real program's F1, wizard help and Quit; Halvdyne.chm in HTML
# Help's window from the real program; for both widths. Each test brings
# its own display and prefix copy
# (cmake/wine-screen.sh); screenshots go to HALV_SCREENSHOT_DIR.
if(HALV_TESTS AND WIN32)
  add_executable(help_probe tests/help/help_probe.cpp)
  target_link_libraries(help_probe PRIVATE user32)
  halv_warnings(help_probe)

  set(HALV_SCREENSHOT_DIR ${CMAKE_SOURCE_DIR}/build/screenshots CACHE PATH "Where the screen tests save their screenshots")
  foreach(scenario contexts program html)
    add_test(NAME help_viewer_${scenario}
      COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/wine-screen.sh 1024x768
              bash ${CMAKE_SOURCE_DIR}/tests/help/help_viewer_test.sh ${scenario}
              $<TARGET_FILE:Halvdyne> $<TARGET_FILE:help_probe> ${HALV_HELP_FILE}
              ${CMAKE_BINARY_DIR}/host-tools/hvdtool ${CMAKE_SOURCE_DIR}/resources/Internal.txt
              ${HALV_SCREENSHOT_DIR} ${HALV_CHM_FILE})
    set_tests_properties(help_viewer_${scenario} PROPERTIES TIMEOUT 300)
  endforeach()
endif()
