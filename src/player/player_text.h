#pragma once
// The texts the player window shows: file sizes, frame dates and the
// status line, and the delay field read as a number.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// Bytes in GB, MB or KB with two decimals ("1.50 KB"), or the plain
// count with two decimals below 1024 ("512.00").
std::string FormatSize(double bytes);

// A capture time as local time, "%a %b %d %Y (%I:%M:%S %p)"; none when it
// cannot be converted to local time.
std::optional<std::string> FormatFrameDate(std::time_t when);

// The capture time of a frame from its timestamp segment, converted as a
// decimal number; none for a frame without one, with an empty one, or with
// a time that local time cannot show.
std::optional<std::string> FrameDateText(const uint8_t* frame, size_t length);

// "FileSize: <size>   FrameDate: <date>".
std::string StatusText(int64_t fileSize, std::string_view date);

// "frame <number> of <count>"; "" when the number is unknown (0). While
// the frames are still being counted: "frame <number>, counting...", or
// "counting frames..." before the number is known.
std::string PositionText(size_t number, size_t count, bool counted);

// The delay field as an unsigned number of milliseconds: its leading
// digits (blanks before them skipped), 0 when there are none, the largest
// value when they overflow.
uint32_t ParseDelay(std::string_view text);
