# Tests of the grid model, grid binding and search, format store, field rows, default records
# and the print history's data: no widgets, a core application.
add_executable(tests_store_data
  data_main.cpp grid_fixture.h history_fixture.h
  grid_search_test.cpp
  fmtstore_test.cpp
  fieldrow_test.cpp
  defaults_test.cpp
  history_test.cpp
)
target_link_libraries(tests_store_data PRIVATE store_data Qt6::Test GTest::gtest)
add_test(NAME store_data COMMAND tests_store_data)

# Tests of the grid view: showing, fitting, sorting by header clicks.
add_executable(tests_store_grid
  grid_main.cpp grid_fixture.h
  grid_test.cpp
)
target_link_libraries(tests_store_grid PRIVATE store_grid Qt6::Test GTest::gtest)
add_test(NAME store_grid COMMAND tests_store_grid)
set_tests_properties(store_grid PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
# The data half links no widgets and no GUI.
add_test(NAME store_data_links
  COMMAND sh -c "ldd \"$1\" | grep -E 'libQt6(Widgets|Gui)' && exit 1 || exit 0" sh
          $<TARGET_FILE:tests_store_data>)
