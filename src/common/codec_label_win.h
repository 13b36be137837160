#pragma once
// How the program names a camera's video codec in its status texts.

#include "common/ffmpeg_owners_win.h"

inline const char* CodecLabel(AVCodecID id) {
  switch (id) {
    case AV_CODEC_ID_H264:
      return "H.264";
    case AV_CODEC_ID_HEVC:
      return "H.265";
    case AV_CODEC_ID_MJPEG:
      return "MJPEG";
    default:
      return avcodec_get_name(id);
  }
}
