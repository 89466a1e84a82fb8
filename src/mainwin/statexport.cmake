# The statistics grid's "导出表格" through the batch data's grid export (added to target mainwin).
target_sources(mainwin PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/statexport.cpp ${CMAKE_CURRENT_LIST_DIR}/statexport.h
)
target_link_libraries(mainwin PUBLIC batch)
