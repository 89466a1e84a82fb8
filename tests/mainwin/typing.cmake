# Tests of typing into the main window's fields (headless).
add_executable(tests_mainwin_typing typing_main.cpp typing_test.cpp mainwin_fixture.h)
target_link_libraries(tests_mainwin_typing PRIVATE mainwin Qt6::Test GTest::gtest)
add_test(NAME mainwin_typing COMMAND tests_mainwin_typing)
set_tests_properties(mainwin_typing PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
