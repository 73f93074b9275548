# The program's icon and version resource. The icon is drawn at build time
# by iconmaker, which has to run on the build machine: in a Windows build
# that is the native one tools.cmake builds on the side (host_hvdtool).

add_executable(iconmaker tools/iconmaker/iconmaker.cpp)
target_link_libraries(iconmaker PRIVATE tool_output)
halv_warnings(iconmaker)

if(CMAKE_CROSSCOMPILING)
  set(HOST_ICONMAKER ${CMAKE_BINARY_DIR}/host-tools/iconmaker)
  set(HOST_ICONMAKER_TARGET host_hvdtool)
else()
  set(HOST_ICONMAKER $<TARGET_FILE:iconmaker>)
  set(HOST_ICONMAKER_TARGET iconmaker)
endif()

# The icon depends on nothing but the tool's source; naming the source makes
# a Windows build redraw it after the host tool was rebuilt.
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/resources/halvdyne.ico
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
  COMMAND ${HOST_ICONMAKER} ${CMAKE_BINARY_DIR}/resources/halvdyne.ico
  DEPENDS ${HOST_ICONMAKER_TARGET} ${CMAKE_SOURCE_DIR}/tools/iconmaker/iconmaker.cpp
  COMMENT "Making halvdyne.ico"
  VERBATIM)
add_custom_target(halv_icon DEPENDS ${CMAKE_BINARY_DIR}/resources/halvdyne.ico)

set(HALV_RESOURCE_SOURCES ${CMAKE_SOURCE_DIR}/resources/halvdyne.rc)

# Gives a Windows executable the program's resources: icon and version.
function(halv_add_resources target)
  if(NOT WIN32)
    message(FATAL_ERROR "halv_add_resources(${target}): resources belong to Windows builds only")
  endif()
  target_sources(${target} PRIVATE ${HALV_RESOURCE_SOURCES})
  # windres looks for halvdyne.ico on its include path; the .rc includes
  # "resources/version.h" from the source root.
  target_include_directories(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:RC>:${CMAKE_BINARY_DIR}/resources>
    $<$<COMPILE_LANGUAGE:RC>:${CMAKE_SOURCE_DIR}>)
  add_dependencies(${target} halv_icon)
  # CMake's dependency scan does not see files named by ICON statements.
  set_source_files_properties(${HALV_RESOURCE_SOURCES} TARGET_DIRECTORY ${target} PROPERTIES
    OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/resources/halvdyne.ico;${CMAKE_SOURCE_DIR}/resources/version.h;${CMAKE_SOURCE_DIR}/resources/wizard.rc;${CMAKE_SOURCE_DIR}/resources/resource_ids.h")
endfunction()

# --- tests ---------------------------------------------------------------------
if(HALV_TESTS AND NOT CMAKE_CROSSCOMPILING)
  # The tool's file, byte for byte and field by field.
  add_executable(iconmaker_tests tests/resources/iconmaker_test.cpp tests/support/test_main.cpp)
  target_link_libraries(iconmaker_tests PRIVATE halv_model GTest::gtest)
  target_compile_definitions(iconmaker_tests PRIVATE ICONMAKER_PATH="$<TARGET_FILE:iconmaker>")
  add_dependencies(iconmaker_tests iconmaker)
  halv_warnings(iconmaker_tests)
  gtest_discover_tests(iconmaker_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endif()

if(WIN32 AND HALV_TESTS)
  # A program with the product's resources, read back through the Win32 API.
  add_executable(resources_tests tests/resources/resources_test.cpp tests/support/test_main.cpp)
  target_link_libraries(resources_tests PRIVATE halv_model GTest::gtest gdi32 user32 version)
  target_compile_definitions(resources_tests PRIVATE HALV_PROJECT_VERSION="${PROJECT_VERSION}")
  halv_warnings(resources_tests)
  halv_add_resources(resources_tests)
  gtest_discover_tests(resources_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endif()
