# Tests of the field model (one binary, headless).
add_executable(tests_page_model
  ${CMAKE_CURRENT_LIST_DIR}/model_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/model_fixture.h
  ${CMAKE_CURRENT_LIST_DIR}/model_registry_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/model_rowsync_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/model_roundtrip_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/model_value_test.cpp
)
target_include_directories(tests_page_model PRIVATE ${CMAKE_SOURCE_DIR}/tests/store)
target_link_libraries(tests_page_model PRIVATE page Qt6::Test GTest::gtest)
add_test(NAME page_model COMMAND tests_page_model)
set_tests_properties(page_model PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
