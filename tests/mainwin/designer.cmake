# Laying out formats on the main window's page (headless).
add_executable(tests_mainwin_designer typing_main.cpp designer_test.cpp mainwin_fixture.h)
target_link_libraries(tests_mainwin_designer PRIVATE mainwin Qt6::Test GTest::gtest)
add_test(NAME mainwin_designer COMMAND tests_mainwin_designer)
set_tests_properties(mainwin_designer PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
