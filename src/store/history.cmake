# The print history's data (target store_data) and the format commands (target store_grid).
target_sources(store_data PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/history.cpp ${CMAKE_CURRENT_LIST_DIR}/history.h
)
target_sources(store_grid PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/fmtcmd.cpp ${CMAKE_CURRENT_LIST_DIR}/fmtcmd.h
)
