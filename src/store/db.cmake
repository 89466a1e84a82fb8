# Database layer, schema, parameters and settings, text files, compaction (no widgets).
find_package(Qt6 REQUIRED COMPONENTS Core Sql)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)

add_library(store STATIC
  reporter.cpp reporter.h
  paths.cpp paths.h
  db.cpp db.h
  params.cpp params.h
)
target_include_directories(store PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(store PUBLIC store_core Qt6::Core Qt6::Sql PRIVATE PkgConfig::SQLITE3)
