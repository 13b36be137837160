# SQLite for the event store: for Windows the static library scripts/setup
# builds from Debian's source package; on the host Debian's libsqlite3-dev,
# so the tests do not compile SQLite a second time.
if(WIN32)
  set(VR_SQLITE_ROOT "${CMAKE_SOURCE_DIR}/build/deps/sqlite-mingw" CACHE PATH "SQLite built by scripts/setup")
  if(NOT EXISTS "${VR_SQLITE_ROOT}/lib/libsqlite3.a")
    message(FATAL_ERROR "SQLite missing in ${VR_SQLITE_ROOT}: run scripts/setup")
  endif()
  add_library(vr_sqlite STATIC IMPORTED)
  set_target_properties(vr_sqlite PROPERTIES
    IMPORTED_LOCATION "${VR_SQLITE_ROOT}/lib/libsqlite3.a"
    INTERFACE_INCLUDE_DIRECTORIES "${VR_SQLITE_ROOT}/include")
else()
  find_package(SQLite3 REQUIRED)
  add_library(vr_sqlite INTERFACE)
  target_link_libraries(vr_sqlite INTERFACE SQLite::SQLite3)
endif()
