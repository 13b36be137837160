#include "common/jpeg_codec.h"

#include <turbojpeg.h>

#include <memory>

namespace {

struct TjHandleDeleter {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjHandleDeleter>;

struct TjBufferDeleter {
  void operator()(unsigned char* buffer) const { tjFree(buffer); }
};
using TjBuffer = std::unique_ptr<unsigned char, TjBufferDeleter>;

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
  jpeg.clear();
  BitmapInfoHeader& header = picture.pictureInfo.header;
  header.sizeImage = static_cast<uint32_t>(picture.RequiredBytes());
  const int pixelFormat = PixelFormatFor(header.bitCount);
  if (pixelFormat < 0 || !picture.HasPixels()) return false;

  TjHandle handle(tjInitCompress());
  if (!handle) return false;
  const int q = quality < 1 ? 1 : (quality > 100 ? 100 : quality);
  const int height = AbsHeight(header.height);
  const int flags = header.height > 0 ? TJFLAG_BOTTOMUP : 0;
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  const int rc = tjCompress2(handle.get(), picture.pixels.data(), header.width, static_cast<int>(picture.Stride()),
                             height, pixelFormat, &out, &outSize, TJSAMP_420, q, flags);
  TjBuffer owned(out);
  if (rc != 0 || !out || outSize == 0) return false;
  jpeg.assign(out, out + outSize);
  return true;
}

bool DecodeJpeg(const uint8_t* bytes, size_t length, Picture& picture) {
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

  Picture decoded = MakePicture(width, height, 24);
  const int rc = tjDecompress2(handle.get(), bytes, static_cast<unsigned long>(length), decoded.pixels.data(), width,
                               static_cast<int>(decoded.Stride()), height, TJPF_BGR, TJFLAG_BOTTOMUP);
  // A warning (a picture cut short, say) still leaves a whole picture to show.
  if (rc != 0 && tjGetErrorCode(handle.get()) != TJERR_WARNING) return false;
  picture = std::move(decoded);
  return true;
}
