# The menu bar and its commands, the format-name chooser, the password windows, the about box
# and the help pages (added to target mainwin).
target_sources(mainwin PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/menus.cpp ${CMAKE_CURRENT_LIST_DIR}/menus.h
  ${CMAKE_CURRENT_LIST_DIR}/selformat.cpp ${CMAKE_CURRENT_LIST_DIR}/selformat.h
  ${CMAKE_CURRENT_LIST_DIR}/password.cpp ${CMAKE_CURRENT_LIST_DIR}/password.h
  ${CMAKE_CURRENT_LIST_DIR}/rightform.cpp ${CMAKE_CURRENT_LIST_DIR}/rightform.h
  ${CMAKE_CURRENT_LIST_DIR}/helppages.cpp ${CMAKE_CURRENT_LIST_DIR}/helppages.h
  ${CMAKE_CURRENT_LIST_DIR}/starthooks.cpp ${CMAKE_CURRENT_LIST_DIR}/starthooks.h
)
target_link_libraries(mainwin PUBLIC library)
