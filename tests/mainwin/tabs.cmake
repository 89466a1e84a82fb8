# The batch and history tabs and the format library's menu entries through the main window as
# the program wires it (own binary, headless).
add_executable(tests_mainwin_tabs mainwin_main.cpp tabs_test.cpp mainwin_fixture.h)
target_link_libraries(tests_mainwin_tabs PRIVATE mainwin Qt6::Test GTest::gtest)
add_test(NAME mainwin_tabs COMMAND tests_mainwin_tabs)
set_tests_properties(mainwin_tabs PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
  TIMEOUT 300)
