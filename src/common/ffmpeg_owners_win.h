#pragma once
// Owners of FFmpeg's objects, one traits struct per kind, for ScopedHandle.

#include "common/scoped_handle_win.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libswscale/swscale.h>
}

// FFmpeg's objects whose free function takes the owner's pointer and nulls it.
template <typename T, void (*Free)(T**)>
struct FreedThroughPointerTraits {
  using Handle = T*;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { Free(&h); }
};
template <typename T, void (*Free)(T*)>
struct FreedTraits {
  using Handle = T*;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { Free(h); }
};
// A writing context that owns its buffer, which FFmpeg may have replaced.
struct IoContextTraits {
  using Handle = AVIOContext*;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) {
    av_freep(&h->buffer);
    avio_context_free(&h);
  }
};
using ScopedFormatContext = ScopedHandle<FreedThroughPointerTraits<AVFormatContext, avformat_close_input>>;
using ScopedOutputContext = ScopedHandle<FreedTraits<AVFormatContext, avformat_free_context>>;
using ScopedIoContext = ScopedHandle<IoContextTraits>;
using ScopedCodecContext = ScopedHandle<FreedThroughPointerTraits<AVCodecContext, avcodec_free_context>>;
using ScopedPacket = ScopedHandle<FreedThroughPointerTraits<AVPacket, av_packet_free>>;
using ScopedFrame = ScopedHandle<FreedThroughPointerTraits<AVFrame, av_frame_free>>;
using ScopedScaler = ScopedHandle<FreedTraits<SwsContext, sws_freeContext>>;
using ScopedParser = ScopedHandle<FreedTraits<AVCodecParserContext, av_parser_close>>;
using ScopedCodecParameters = ScopedHandle<FreedThroughPointerTraits<AVCodecParameters, avcodec_parameters_free>>;

class ScopedDictionary {
 public:
  ScopedDictionary() = default;
  ~ScopedDictionary() { av_dict_free(&dictionary_); }
  ScopedDictionary(const ScopedDictionary&) = delete;
  ScopedDictionary& operator=(const ScopedDictionary&) = delete;
  void Set(const char* key, const char* value) { av_dict_set(&dictionary_, key, value, 0); }
  AVDictionary** Address() { return &dictionary_; }

 private:
  AVDictionary* dictionary_ = nullptr;
};
