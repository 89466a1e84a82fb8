# Tests of the database layer, schema, settings, text files, compaction, progress window, helpers
# and start-up. One binary; it also serves as the child process of the crash test.
add_executable(tests_store
  test_main.cpp store_fixture.h
  helpers_test.cpp
  db_test.cpp
  schema_test.cpp
  params_test.cpp
  textfile_test.cpp
  filewriter_test.cpp
  compact_test.cpp
  widgets_test.cpp
  startup_test.cpp
  startrepair_test.cpp
)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
target_link_libraries(tests_store PRIVATE store_widgets Qt6::Test GTest::gtest PkgConfig::SQLITE3)
target_compile_definitions(tests_store PRIVATE QUORVAN_EXE="$<TARGET_FILE:quorvan>")
add_dependencies(tests_store quorvan)
# Preloaded into the program by the start-up tests to stop it at a chosen write into its database.
add_library(tests_store_stopwrite MODULE stopwrite.cpp)
target_link_libraries(tests_store_stopwrite PRIVATE ${CMAKE_DL_LIBS})
target_compile_definitions(tests_store PRIVATE
  STOPWRITE_LIBRARY="$<TARGET_FILE:tests_store_stopwrite>")
add_dependencies(tests_store tests_store_stopwrite)
add_test(NAME store COMMAND tests_store)
set_tests_properties(store PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
