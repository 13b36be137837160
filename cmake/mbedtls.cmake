# mbedTLS, static, in the configuration of cmake/mbedtls_config.h: built by
# scripts/setup from Debian's source package for mingw-w64 and for the host.
if(WIN32)
  set(vr_mbedtls_default "${CMAKE_SOURCE_DIR}/build/deps/mbedtls-mingw")
else()
  set(vr_mbedtls_default "${CMAKE_SOURCE_DIR}/build/deps/mbedtls-host")
endif()
set(VR_MBEDTLS_ROOT "${vr_mbedtls_default}" CACHE PATH "mbedTLS built by scripts/setup")
if(NOT EXISTS "${VR_MBEDTLS_ROOT}/lib/libmbedtls.a")
  message(FATAL_ERROR "mbedTLS missing in ${VR_MBEDTLS_ROOT}: run scripts/setup")
endif()
# In link order: each library needs only those after it.
foreach(name IN ITEMS mbedtls mbedx509 mbedcrypto)
  add_library(vr_${name} STATIC IMPORTED)
  set_target_properties(vr_${name} PROPERTIES
    IMPORTED_LOCATION "${VR_MBEDTLS_ROOT}/lib/lib${name}.a"
    INTERFACE_INCLUDE_DIRECTORIES "${VR_MBEDTLS_ROOT}/include")
endforeach()
target_link_libraries(vr_mbedtls INTERFACE vr_mbedx509)
target_link_libraries(vr_mbedx509 INTERFACE vr_mbedcrypto)
if(WIN32)
  target_link_libraries(vr_mbedcrypto INTERFACE advapi32)
endif()
