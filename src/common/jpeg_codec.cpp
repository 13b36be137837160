#include "common/jpeg_codec.h"

#include <turbojpeg.h>

#include <memory>
#include <utility>

namespace {

struct TjHandleDeleter {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjHandleDeleter>;

constexpr int kSubsampling = TJSAMP_420;

int PixelFormatFor(int bitCount) {
  switch (bitCount) {
    case 24:
      return TJPF_BGR;
    case 32:
      return TJPF_BGRX;
    default:
      return -1;
  }
}

}  // namespace

bool EncodeJpeg(Picture& picture, int quality, std::vector<uint8_t>& jpeg) {
  picture.pictureInfo.header.sizeImage = static_cast<uint32_t>(picture.RequiredBytes());
  return EncodeJpeg(std::as_const(picture), quality, jpeg);
}

bool EncodeJpeg(const Picture& picture, int quality, std::vector<uint8_t>& jpeg) {
  jpeg.clear();
  const BitmapInfoHeader& header = picture.pictureInfo.header;
  const int pixelFormat = PixelFormatFor(header.bitCount);
  if (pixelFormat < 0 || !picture.HasPixels()) return false;

  TjHandle handle(tjInitCompress());
  if (!handle) return false;
  const int q = quality < 1 ? 1 : (quality > 100 ? 100 : quality);
  const int height = AbsHeight(header.height);
  // Compress into a worst-case block kept by the thread, then copy out what
  // the picture took: a fresh block per frame costs a page fault per 4 KiB
  // under Wine, and growing the caller's buffer back to the worst case would
  // clear a megabyte per frame.
  const unsigned long worstCase = tjBufSize(header.width, height, kSubsampling);
  if (worstCase == static_cast<unsigned long>(-1)) return false;
  thread_local std::vector<uint8_t> scratch;
  if (scratch.size() < worstCase) scratch.resize(worstCase);
  unsigned char* out = scratch.data();
  unsigned long outSize = worstCase;
  const int flags = TJFLAG_NOREALLOC | (header.height > 0 ? TJFLAG_BOTTOMUP : 0);
  const int rc = tjCompress2(handle.get(), picture.pixels.data(), header.width, static_cast<int>(picture.Stride()),
                             height, pixelFormat, &out, &outSize, kSubsampling, q, flags);
  if (rc != 0 || out != scratch.data() || outSize == 0 || outSize > worstCase) return false;
  jpeg.assign(scratch.data(), scratch.data() + outSize);
  return true;
}

bool ReadJpegSize(const uint8_t* bytes, size_t length, int& width, int& height) {
  if (!bytes || length == 0 || length > static_cast<unsigned long>(-1)) return false;
  TjHandle handle(tjInitDecompress());
  int subsampling = 0, colourspace = 0;
  return handle && tjDecompressHeader3(handle.get(), bytes, static_cast<unsigned long>(length), &width, &height,
                                       &subsampling, &colourspace) == 0;
}

bool DecodeJpeg(const uint8_t* bytes, size_t length, Picture& picture, JpegDamage damage) {
  // The caller's old pixel buffer is reused when it is large enough: fresh
  // large blocks cost a page fault per 4 KiB, which dominates under Wine.
  std::vector<uint8_t> buffer = std::move(picture.pixels);
  picture = Picture{};
  if (!bytes || length == 0 || length > static_cast<unsigned long>(-1)) return false;
  TjHandle handle(tjInitDecompress());
  if (!handle) return false;
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  if (tjDecompressHeader3(handle.get(), bytes, static_cast<unsigned long>(length), &width, &height, &subsampling,
                          &colourspace) != 0)
    return false;
  if (width <= 0 || height <= 0 || static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxDecodedPixels)
    return false;

  Picture decoded;
  decoded.pictureInfo = MakePictureInfo(width, height, 24);
  buffer.resize(decoded.RequiredBytes());
  decoded.pixels = std::move(buffer);
  const int rc = tjDecompress2(handle.get(), bytes, static_cast<unsigned long>(length), decoded.pixels.data(), width,
                               static_cast<int>(decoded.Stride()), height, TJPF_BGR, TJFLAG_BOTTOMUP);
  if (rc != 0 && (damage == JpegDamage::kRefuse || tjGetErrorCode(handle.get()) != TJERR_WARNING)) return false;
  picture = std::move(decoded);
  return true;
}
