#pragma once
// Owners of FFmpeg's objects, on the template of the Win32 handles.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "common/scoped_handle_win.h"

// FFmpeg's objects whose free function takes the owner's pointer and nulls it.
template <typename T, void (*Free)(T**)>
struct FreedThroughPointerTraits {
  using Handle = T*;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { Free(&h); }
};
struct ParserTraits {
  using Handle = AVCodecParserContext*;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { av_parser_close(h); }
};
struct ScalerTraits {
  using Handle = SwsContext*;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { sws_freeContext(h); }
};
// A custom I/O context: its buffer (which FFmpeg may have replaced) goes too.
struct IoContextTraits {
  using Handle = AVIOContext*;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) {
    av_freep(&h->buffer);
    avio_context_free(&h);
  }
};
// A muxer's context (a demuxer's closes through avformat_close_input).
struct OutputContextTraits {
  using Handle = AVFormatContext*;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { avformat_free_context(h); }
};
using ScopedFormatContext = ScopedHandle<FreedThroughPointerTraits<AVFormatContext, avformat_close_input>>;
using ScopedCodecContext = ScopedHandle<FreedThroughPointerTraits<AVCodecContext, avcodec_free_context>>;
using ScopedPacket = ScopedHandle<FreedThroughPointerTraits<AVPacket, av_packet_free>>;
using ScopedFrame = ScopedHandle<FreedThroughPointerTraits<AVFrame, av_frame_free>>;
using ScopedScaler = ScopedHandle<ScalerTraits>;
using ScopedParser = ScopedHandle<ParserTraits>;
using ScopedIoContext = ScopedHandle<IoContextTraits>;
using ScopedOutputContext = ScopedHandle<OutputContextTraits>;
