# The grid model, grid binding and search, the program's context, the format store, field rows
# and default records on Qt Core and Sql only (target store_data), and the grid view that shows
# a model (target store_grid, widgets).
add_library(store_data STATIC
  gridmodel.cpp gridmodel.h
  gridbind.cpp gridbind.h
  gridsearch.cpp gridsearch.h
  context.cpp context.h
  fmtstore.cpp fmtstore.h
  fieldrow.cpp fieldrow.h
  defaults.cpp defaults.h
)
target_include_directories(store_data PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(store_data PUBLIC store store_core Qt6::Core Qt6::Sql)

find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_library(store_grid STATIC
  gridcolor.h
  grid.cpp grid.h
)
target_include_directories(store_grid PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(store_grid PUBLIC store_data store_widgets Qt6::Widgets)
