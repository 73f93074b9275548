# The settings wizard: in-process tests that drive the real modal wizard
# (its dialogs come from the program's resources), and a black-box test of
# Halvdyne.exe that edits the settings through the wizard with real keys.
if(WIN32)
  add_executable(wizard_tests
    tests/wizard/wizard_driver.cpp
    tests/wizard/wizard_edit_cycle_test.cpp
    tests/wizard/wizard_navigation_test.cpp
    tests/wizard/wizard_pages_test.cpp
    tests/app/fake_platform_seams.cpp
    tests/app/program_window_fixture.cpp
    tests/support/message_box_spy.cpp
    tests/support/test_main.cpp
    tests/support/worked_example.cpp)
  target_link_libraries(wizard_tests PRIVATE halv_app GTest::gtest halv_model halv_win32_glue)
  halv_warnings(wizard_tests)
  # halv_add_resources is defined after the tests (cmake/resources.cmake).
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL halv_add_resources wizard_tests)
  gtest_discover_tests(wizard_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120 RESOURCE_LOCK desktop)

  # Its own X screen and Wine prefix copy (cmake/wine-screen.sh): no desktop lock.
  add_test(NAME wizard_blackbox
    COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/wine-screen.sh 1024x768
            bash ${CMAKE_SOURCE_DIR}/tests/wizard/wizard_blackbox_test.sh
            $<TARGET_FILE:Halvdyne> ${CMAKE_BINARY_DIR}/host-tools/hvdtool ${CMAKE_SOURCE_DIR}/resources/Internal.txt)
  set_tests_properties(wizard_blackbox PROPERTIES TIMEOUT 300)
endif()
