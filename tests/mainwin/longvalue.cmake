# Values longer than a line edit keeps by default, from a batch sheet and a paste to the paper
# and the history, through the main window (own binary, headless).
add_executable(tests_mainwin_longvalue mainwin_main.cpp longvalue_test.cpp mainwin_fixture.h)
target_link_libraries(tests_mainwin_longvalue PRIVATE mainwin Qt6::Test GTest::gtest)
add_test(NAME mainwin_longvalue COMMAND tests_mainwin_longvalue)
set_tests_properties(mainwin_longvalue PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
  TIMEOUT 300)
