# Database layer, schema, parameters and settings, text files, the messages and progress of
# long work as interfaces (no widgets): target store.
# Progress window, message boxes, window positions, waiting for dialogs, compaction and start-up:
# target store_widgets.
find_package(Qt6 REQUIRED COMPONENTS Core Sql Widgets)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)

add_library(store STATIC
  reporter.cpp reporter.h
  progress.cpp progress.h
  paths.cpp paths.h
  db.cpp db.h
  dbcheck.cpp dbcheck.h
  schema.cpp schema.h
  params.cpp params.h
  website.cpp website.h
  textfile.cpp textfile.h
  filewriter.cpp filewriter.h
)
target_include_directories(store PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(store PUBLIC store_core Qt6::Core Qt6::Sql PRIVATE PkgConfig::SQLITE3)
qt_add_resources(store store_samples
  PREFIX /quorvan
  BASE ${CMAKE_SOURCE_DIR}/resources
  FILES ${CMAKE_SOURCE_DIR}/resources/sample_formats.tsv
)

add_library(store_widgets STATIC
  msgbox.cpp msgbox.h
  indicator.cpp indicator.h
  waitform.cpp waitform.h
  formpos.cpp formpos.h
  uihelpers.cpp uihelpers.h
  compact.cpp compact.h
  startup.cpp startup.h
)
target_link_libraries(store_widgets PUBLIC store store_data Qt6::Widgets)
