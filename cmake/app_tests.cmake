# In-process tests of the program's window, buttons, help, Quit and display:
# the program itself, with its resources, but with the help viewer and its
# own file name replaced (tests/app/fake_platform_seams.cpp).
if(WIN32)
  add_executable(app_tests
    tests/app/command_buttons_test.cpp
    tests/app/fake_platform_seams.cpp
    tests/app/help_exit_test.cpp
    tests/app/main_window_test.cpp
    tests/app/program_window_fixture.cpp
    tests/display/display_surfaces_test.cpp
    tests/display/results_screen_test.cpp
    tests/support/message_box_spy.cpp
    tests/support/test_main.cpp
    tests/support/worked_example.cpp)
  target_link_libraries(app_tests PRIVATE halv_app GTest::gtest halv_model halv_win32_glue)
  halv_warnings(app_tests)
  # halv_add_resources is defined after the tests (cmake/resources.cmake).
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL halv_add_resources app_tests)
  # Nine hours off UTC, so that the settings line's date is seen to be local.
  gtest_discover_tests(app_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120 RESOURCE_LOCK desktop ENVIRONMENT TZ=Asia/Tokyo)
  # The window and its button row once more on a 640 x 480 screen: its own
  # X display and Wine prefix copy (cmake/wine-screen.sh), no desktop lock.
  add_test(NAME MainWindowStart.CoversTheScreenWithTheButtonRowAtTheBottom.640x480
    COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/wine-screen.sh 640x480
            ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:app_tests>
            --gtest_filter=MainWindowStart.CoversTheScreenWithTheButtonRowAtTheBottom)
  set_tests_properties(MainWindowStart.CoversTheScreenWithTheButtonRowAtTheBottom.640x480 PROPERTIES
    TIMEOUT 120 PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test")
endif()
