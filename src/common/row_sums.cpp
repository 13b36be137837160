#include "common/row_sums.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace {

// Rows that 16-bit lanes hold without overflow (257 * 255 < 65536).
constexpr int kRowsPerLaneSum = 256;

void AddRowGroup(const uint8_t* const* rows, int count, size_t length, uint32_t* sums) {
  size_t done = 0;
#if defined(__SSE2__) || defined(_M_X64)
  // Down the rows first, so the lanes stay in registers.
  const __m128i zero = _mm_setzero_si128();
  for (; done + 16 <= length; done += 16) {
    __m128i low = zero, high = zero;
    for (int j = 0; j < count; ++j) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[j] + done));
      low = _mm_add_epi16(low, _mm_unpacklo_epi8(bytes, zero));
      high = _mm_add_epi16(high, _mm_unpackhi_epi8(bytes, zero));
    }
    // Widened into the 32-bit sums four at a time: a scaler adds only two or
    // three rows per call, so this part weighs as much as the rows.
    const __m128i parts[4] = {_mm_unpacklo_epi16(low, zero), _mm_unpackhi_epi16(low, zero),
                              _mm_unpacklo_epi16(high, zero), _mm_unpackhi_epi16(high, zero)};
    for (int k = 0; k < 4; ++k) {
      auto* at = reinterpret_cast<__m128i*>(sums + done + 4 * k);
      _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), parts[k]));
    }
  }
#endif
  for (int j = 0; j < count; ++j)
    for (size_t k = done; k < length; ++k) sums[k] += rows[j][k];
}

}  // namespace

void AddRowBytes(const uint8_t* const* rows, int count, size_t length, uint32_t* sums) {
  for (int first = 0; first < count; first += kRowsPerLaneSum)
    AddRowGroup(rows + first, count - first < kRowsPerLaneSum ? count - first : kRowsPerLaneSum, length, sums);
}
