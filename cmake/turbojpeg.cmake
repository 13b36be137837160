# libjpeg-turbo's TurboJPEG API: Debian's package on the host, the static
# mingw build that scripts/setup makes for Windows.
if(WIN32)
  set(VR_TURBOJPEG_ROOT "${CMAKE_SOURCE_DIR}/build/deps/libjpeg-turbo-mingw"
      CACHE PATH "libjpeg-turbo built for mingw-w64")
  if(NOT EXISTS "${VR_TURBOJPEG_ROOT}/lib/libturbojpeg.a")
    message(FATAL_ERROR "libjpeg-turbo for mingw missing in ${VR_TURBOJPEG_ROOT}: run scripts/setup")
  endif()
  add_library(turbojpeg STATIC IMPORTED)
  set_target_properties(turbojpeg PROPERTIES
    IMPORTED_LOCATION "${VR_TURBOJPEG_ROOT}/lib/libturbojpeg.a"
    INTERFACE_INCLUDE_DIRECTORIES "${VR_TURBOJPEG_ROOT}/include")
else()
  find_path(TURBOJPEG_INCLUDE turbojpeg.h REQUIRED)
  find_library(TURBOJPEG_LIBRARY turbojpeg REQUIRED)
  add_library(turbojpeg UNKNOWN IMPORTED)
  set_target_properties(turbojpeg PROPERTIES
    IMPORTED_LOCATION "${TURBOJPEG_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${TURBOJPEG_INCLUDE}")
endif()
