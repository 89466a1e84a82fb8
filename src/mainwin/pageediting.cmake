# The designer on the main window's page: mouse, keys, the pop-up menus' commands and the menu
# "内容框设置(&C)" (added to target mainwin).
target_sources(mainwin PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/pageediting.cpp ${CMAKE_CURRENT_LIST_DIR}/pageediting.h
)
