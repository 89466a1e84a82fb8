# Printing from the main window: the print buttons, the margin button, the batch records and the
# history after a print (added to target mainwin).
target_sources(mainwin PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/printing.cpp ${CMAKE_CURRENT_LIST_DIR}/printing.h
)
target_link_libraries(mainwin PUBLIC print_ui print store_grid)
