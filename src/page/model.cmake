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
# A slip's values without widgets: the field layout of the grid and a record of field values,
# filled by conversion and calculation (target page_record, used by the page and the print).
add_library(page_record STATIC
  ${CMAKE_CURRENT_LIST_DIR}/record.cpp ${CMAKE_CURRENT_LIST_DIR}/record.h
)
target_include_directories(page_record PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(page_record PUBLIC store_data values Qt6::Core)
target_link_libraries(page PUBLIC page_record)
