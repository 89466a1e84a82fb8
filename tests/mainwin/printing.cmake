# Printing from the main window: the print buttons to a PDF file, the history afterwards, the
# batch records on the record scroll bar, commands on a half-typed field (own binary, headless).
add_executable(tests_mainwin_printing mainwin_main.cpp printing_test.cpp commands_test.cpp
  mainwin_fixture.h)
target_link_libraries(tests_mainwin_printing PRIVATE mainwin Qt6::Test GTest::gtest)
add_test(NAME mainwin_printing COMMAND tests_mainwin_printing)
set_tests_properties(mainwin_printing PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
  TIMEOUT 300)
# Print-all page for page and print for print against the reference in data/ (own binary: it
# prints and renders several thousand pages).
add_executable(tests_mainwin_batchsame mainwin_main.cpp batchsame_test.cpp mainwin_fixture.h)
target_link_libraries(tests_mainwin_batchsame PRIVATE mainwin Qt6::Test GTest::gtest)
target_compile_definitions(tests_mainwin_batchsame PRIVATE
  QUORVAN_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data")
# Under a clock fixed to one day, so that the dates the conversions fill in are the reference's.
add_test(NAME mainwin_batchsame COMMAND faketime -f "@2026-12-10 09:00:00"
  $<TARGET_FILE:tests_mainwin_batchsame>)
set_tests_properties(mainwin_batchsame PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
  TIMEOUT 900)
