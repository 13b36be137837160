# Every folder follows one naming rule: a file ending in _win.cpp needs
# <windows.h> and is built for Windows only; every other .cpp file is
# portable and is built on the host too.
function(vr_collect_sources folder portable_out win_out)
  file(GLOB all CONFIGURE_DEPENDS "${folder}/*.cpp")
  set(portable "")
  set(win "")
  foreach(f IN LISTS all)
    if(f MATCHES "_win(_test)?\\.cpp$")
      list(APPEND win "${f}")
    else()
      list(APPEND portable "${f}")
    endif()
  endforeach()
  set(${portable_out} "${portable}" PARENT_SCOPE)
  set(${win_out} "${win}" PARENT_SCOPE)
endfunction()
