# The field model: kinds, control arrays, field rows and their synchronisation (target page).
add_library(page STATIC
  ${CMAKE_CURRENT_LIST_DIR}/field.cpp ${CMAKE_CURRENT_LIST_DIR}/field.h
  ${CMAKE_CURRENT_LIST_DIR}/fieldrow.h
  ${CMAKE_CURRENT_LIST_DIR}/fieldvalue.cpp ${CMAKE_CURRENT_LIST_DIR}/fieldvalue.h
  ${CMAKE_CURRENT_LIST_DIR}/registry.cpp ${CMAKE_CURRENT_LIST_DIR}/registry.h
  ${CMAKE_CURRENT_LIST_DIR}/rowsync.cpp ${CMAKE_CURRENT_LIST_DIR}/rowsync.h
)
target_include_directories(page PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(page PUBLIC store_grid store store_widgets store_core Qt6::Widgets)
