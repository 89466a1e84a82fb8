# The page view: page and frame widgets, sizing and zoom, grid and rulers, background picture,
# picture field content, barcode standard dialog and format initialisation (target page_view).
add_library(page_view STATIC
  ${CMAKE_CURRENT_LIST_DIR}/pagegrid.cpp ${CMAKE_CURRENT_LIST_DIR}/pagegrid.h
  ${CMAKE_CURRENT_LIST_DIR}/zoom.cpp ${CMAKE_CURRENT_LIST_DIR}/zoom.h
  ${CMAKE_CURRENT_LIST_DIR}/pageview.cpp ${CMAKE_CURRENT_LIST_DIR}/pageview.h
  ${CMAKE_CURRENT_LIST_DIR}/pageviewlayout.cpp ${CMAKE_CURRENT_LIST_DIR}/pageviewlayout.h
  ${CMAKE_CURRENT_LIST_DIR}/backpic.cpp ${CMAKE_CURRENT_LIST_DIR}/backpic.h
  ${CMAKE_CURRENT_LIST_DIR}/pageviewhost.h
  ${CMAKE_CURRENT_LIST_DIR}/zoompage.cpp ${CMAKE_CURRENT_LIST_DIR}/zoompage.h
  ${CMAKE_CURRENT_LIST_DIR}/fmtinit.cpp ${CMAKE_CURRENT_LIST_DIR}/fmtinit.h
  ${CMAKE_CURRENT_LIST_DIR}/piccontent.cpp ${CMAKE_CURRENT_LIST_DIR}/piccontent.h
  ${CMAKE_CURRENT_LIST_DIR}/barcodestand.cpp ${CMAKE_CURRENT_LIST_DIR}/barcodestand.h
)
target_include_directories(page_view PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(page_view PUBLIC page values store_grid store store_widgets store_core
  Qt6::Widgets)
