# The menu bar and its commands, the format-name chooser, the password windows and the about box
# through the real main window (own binary, headless).
add_executable(tests_mainwin_menus mainwin_main.cpp menus_test.cpp mainwin_fixture.h)
target_link_libraries(tests_mainwin_menus PRIVATE mainwin Qt6::Test GTest::gtest)
add_test(NAME mainwin_menus COMMAND tests_mainwin_menus)
set_tests_properties(mainwin_menus PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
  TIMEOUT 300)
