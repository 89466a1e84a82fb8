# Tests of the page view (one binary, headless).
add_executable(tests_page_view
  ${CMAKE_CURRENT_LIST_DIR}/view_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/view_grid_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/view_zoom_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/view_layout_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/view_backpic_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/view_piccontent_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/view_fmtinit_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/view_designer_test.cpp
)
target_link_libraries(tests_page_view PRIVATE page_view Qt6::Test GTest::gtest)
add_test(NAME page_view COMMAND tests_page_view)
set_tests_properties(page_view PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
