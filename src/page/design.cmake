# Laying out the fields on the page: selection, line hit test, dragging, sizing, alignment
# (added to target page_view).
target_sources(page_view PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/designer.cpp ${CMAKE_CURRENT_LIST_DIR}/designer.h
)
# The property dialogs of the fields and the slip size dialog (added to target page_view).
target_sources(page_view PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/propdialogs.cpp ${CMAKE_CURRENT_LIST_DIR}/propdialogs.h
  ${CMAKE_CURRENT_LIST_DIR}/editctl.cpp
)
