#pragma once
// Column sums of packed rows: for each byte position, the total down a set
// of rows. Motion detection and the display's box filter both start here,
// so the per-pixel work that follows is a few additions per output.

#include <cstddef>
#include <cstdint>

// Adds rows[0][k] + ... + rows[count - 1][k] to sums[k] for every k below
// length. Sixteen bytes at a time in 16-bit lanes where SSE2 exists (every
// x64 processor), flushed every 256 rows before a lane could overflow.
void AddRowBytes(const uint8_t* const* rows, int count, size_t length, uint32_t* sums);
