# Print history and the format commands (added to target store_grid).
target_sources(store_grid PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/history.cpp ${CMAKE_CURRENT_LIST_DIR}/history.h
  ${CMAKE_CURRENT_LIST_DIR}/fmtcmd.cpp ${CMAKE_CURRENT_LIST_DIR}/fmtcmd.h
)
