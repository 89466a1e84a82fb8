# Conversion and field calculation on the page's fields (added to target page).
target_sources(page PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/calcadapter.cpp ${CMAKE_CURRENT_LIST_DIR}/calcadapter.h
)
target_link_libraries(page PUBLIC values)
