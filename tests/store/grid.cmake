# Tests of the flex grid, grid binding and search, format store and default records.
add_executable(tests_store_grid
  grid_main.cpp grid_fixture.h
  grid_test.cpp
  grid_search_test.cpp
  fmtstore_test.cpp
  fieldrow_test.cpp
  defaults_test.cpp
)
target_link_libraries(tests_store_grid PRIVATE store_grid Qt6::Test GTest::gtest)
add_test(NAME store_grid COMMAND tests_store_grid)
set_tests_properties(store_grid PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
