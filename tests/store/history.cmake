# Tests of the format commands and of the history grid as the history tab shows it.
add_executable(tests_store_history
  history_main.cpp history_fixture.h
  history_fmtcmd_test.cpp
  history_view_test.cpp
)
target_link_libraries(tests_store_history PRIVATE store_grid Qt6::Test GTest::gtest)
add_test(NAME store_history COMMAND tests_store_history)
set_tests_properties(store_history PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
