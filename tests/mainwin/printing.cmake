# Printing from the main window: the print buttons to a PDF file, the history afterwards, the
# batch records on the record scroll bar, commands on a half-typed field (own binary, headless).
add_executable(tests_mainwin_printing mainwin_main.cpp printing_test.cpp commands_test.cpp
  mainwin_fixture.h)
target_link_libraries(tests_mainwin_printing PRIVATE mainwin Qt6::Test GTest::gtest)
add_test(NAME mainwin_printing COMMAND tests_mainwin_printing)
set_tests_properties(mainwin_printing PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
  TIMEOUT 300)
