# Flex grid, grid binding and search, format store, default records (widgets).
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(store_grid STATIC
  gridcolor.h
  gridmodel.cpp gridmodel.h
  grid.cpp grid.h
  gridbind.cpp gridbind.h
  gridsearch.cpp gridsearch.h
  context.cpp context.h
  fmtstore.cpp fmtstore.h
  fieldrow.cpp fieldrow.h
  defaults.cpp defaults.h
)
target_include_directories(store_grid PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(store_grid PUBLIC store store_widgets store_core Qt6::Widgets)
