# FFmpeg's RTSP demuxer, decoders and scaler for the Windows build: the
# static LGPL build that scripts/setup makes from Debian's source package.
if(WIN32)
  set(VR_FFMPEG_ROOT "${CMAKE_SOURCE_DIR}/build/deps/ffmpeg-mingw"
      CACHE PATH "FFmpeg's libraries built for mingw-w64")
  if(NOT EXISTS "${VR_FFMPEG_ROOT}/lib/libavformat.a")
    message(FATAL_ERROR "FFmpeg for mingw missing in ${VR_FFMPEG_ROOT}: run scripts/setup")
  endif()
  # In link order: each library needs only those after it.
  set(ffmpeg_libraries avformat avcodec swscale avutil)
  foreach(name IN LISTS ffmpeg_libraries)
    add_library(ffmpeg_${name} STATIC IMPORTED)
    set_target_properties(ffmpeg_${name} PROPERTIES
      IMPORTED_LOCATION "${VR_FFMPEG_ROOT}/lib/lib${name}.a"
      INTERFACE_INCLUDE_DIRECTORIES "${VR_FFMPEG_ROOT}/include")
  endforeach()
  target_link_libraries(ffmpeg_avformat INTERFACE ffmpeg_avcodec ws2_32)
  target_link_libraries(ffmpeg_avcodec INTERFACE ffmpeg_avutil ole32 user32)
  target_link_libraries(ffmpeg_swscale INTERFACE ffmpeg_avutil)
  target_link_libraries(ffmpeg_avutil INTERFACE user32 bcrypt)
  add_library(ffmpeg INTERFACE)
  target_link_libraries(ffmpeg INTERFACE ffmpeg_avformat ffmpeg_avcodec ffmpeg_swscale ffmpeg_avutil)
endif()
