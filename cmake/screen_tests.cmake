# The real program on real screens: black-box tests that start Halvdyne.exe
# under Wine on private Xvfb screens of two sizes and check its picture, its
# Quit and its start without settings (tests/app/screen_test.sh), and the
# paint benchmark that `make bench` runs (cmake/run-bench.sh). Both widths
# run the screen tests; the benchmark is the x86_64 build's.
#
# Each screen test brings its own display, prefix copy and wineserver
# (cmake/wine-screen.sh), so they need no shared desktop. Screenshots go to
# HALV_SCREENSHOT_DIR.

if(WIN32)
  # Tells the tests what only the Windows side knows: stock font metrics,
  # reference renderings of texts, message-box texts, window classes.
  add_executable(screen_probe tests/app/screen_probe.cpp)
  target_link_libraries(screen_probe PRIVATE user32 gdi32)
  halv_warnings(screen_probe)

  # Paint timings in the real main window and start-up times.
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    add_executable(paint_bench tests/app/paint_bench.cpp app/platform_seams_win.cpp)
    target_link_libraries(paint_bench PRIVATE halv_app)
    halv_warnings(paint_bench)
  endif()

  set(HALV_SCREENSHOT_DIR ${CMAKE_SOURCE_DIR}/build/screenshots CACHE PATH "Where the screen tests save their screenshots")
  foreach(size 1024x768 640x480)
    add_test(NAME screen_${size}
      COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/wine-screen.sh ${size}
              bash ${CMAKE_SOURCE_DIR}/tests/app/screen_test.sh
              $<TARGET_FILE:Halvdyne> $<TARGET_FILE:screen_probe> ${CMAKE_BINARY_DIR}/host-tools/hvdtool
              ${CMAKE_SOURCE_DIR}/tests/tools/data/worked_example.txt ${HALV_SCREENSHOT_DIR})
    set_tests_properties(screen_${size} PROPERTIES TIMEOUT 300)
  endforeach()
  # A short soak of seeded random keys on the x86_64 build (about a minute;
  # `make soak` runs long ones): no crash, no busy loop, no dead keys, no
  # settings file that does not decode. The last walk replays the Help
  # button without help files: the viewer's error box, its Open dialog and
  # Escape, after which the program is brought back to the front.
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    add_test(NAME soak_short
      COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/wine-screen.sh 1024x768
              bash ${CMAKE_SOURCE_DIR}/tests/app/soak_test.sh
              $<TARGET_FILE:Halvdyne> $<TARGET_FILE:screen_probe> ${CMAKE_BINARY_DIR}/host-tools/hvdtool
              ${CMAKE_BINARY_DIR} 1 2 3 keys:Up,space,space,Escape,Tab,Tab)
    set_tests_properties(soak_short PROPERTIES TIMEOUT 600 ENVIRONMENT KEYS=60)
  endif()
  # The narrow layout of the results, under a smaller fixed system font.
  add_test(NAME screen_1024x768_72dpi
    COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/wine-screen.sh 1024x768
            bash ${CMAKE_SOURCE_DIR}/tests/app/screen_test.sh
            $<TARGET_FILE:Halvdyne> $<TARGET_FILE:screen_probe> ${CMAKE_BINARY_DIR}/host-tools/hvdtool
            ${CMAKE_SOURCE_DIR}/tests/tools/data/worked_example.txt ${HALV_SCREENSHOT_DIR})
  set_tests_properties(screen_1024x768_72dpi PROPERTIES TIMEOUT 300 ENVIRONMENT SCREEN_DPI=72)
endif()
