# The open and save dialogs in-process (the system's real dialogs, driven
# from a timer inside their modal loops), and the program's Load, Save and
# exit through them as a user drives them on a screen of its own.
if(WIN32)
  add_executable(file_dialog_tests
    tests/app/fake_platform_seams.cpp
    tests/app/program_window_fixture.cpp
    tests/files/file_dialog_driver.cpp
    tests/files/file_dialog_test.cpp
    tests/support/message_box_spy.cpp
    tests/support/test_main.cpp
    tests/support/worked_example.cpp)
  target_link_libraries(file_dialog_tests PRIVATE halv_app GTest::gtest halv_model halv_win32_glue)
  halv_warnings(file_dialog_tests)
  # halv_add_resources is defined after the tests (cmake/resources.cmake).
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL halv_add_resources file_dialog_tests)
  gtest_discover_tests(file_dialog_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120 RESOURCE_LOCK desktop)
  # The shipped program as a user drives it: keys on its own X screen.
  add_test(NAME FileDialogBlackBox.SaveLoadAndExit
    COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/wine-screen.sh 1024x768
            bash ${CMAKE_SOURCE_DIR}/tests/files/file_dialog_blackbox_test.sh
            $<TARGET_FILE:Halvdyne> ${CMAKE_BINARY_DIR}/host-tools/hvdtool ${CMAKE_SOURCE_DIR}/resources/Internal.txt)
  set_tests_properties(FileDialogBlackBox.SaveLoadAndExit PROPERTIES TIMEOUT 120)
endif()
