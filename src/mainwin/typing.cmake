# Typing into fields, the history drop-down and the format commands of the main window (added to
# target mainwin).
target_sources(mainwin PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/typing.cpp ${CMAKE_CURRENT_LIST_DIR}/typing.h
  ${CMAKE_CURRENT_LIST_DIR}/typingfmt.cpp ${CMAKE_CURRENT_LIST_DIR}/typingfmt.h
  ${CMAKE_CURRENT_LIST_DIR}/histcombo.cpp ${CMAKE_CURRENT_LIST_DIR}/histcombo.h
)
