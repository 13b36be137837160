#pragma once
// Shortens a one-line text to a width, as a user expects of a label that is
// too long: the start is kept and an ellipsis marks the cut at the end.

#include <functional>
#include <string>
#include <string_view>

inline constexpr std::string_view kEllipsis = "...";

// The width of a text in the units of the caller (pixels of a font, say);
// it must not shrink when characters are added.
using TextMeasure = std::function<int(std::string_view text)>;

// The text itself when it fits maxWidth; otherwise its longest start that
// fits with kEllipsis after it (spaces before the ellipsis dropped); "" when
// not even the ellipsis fits.
std::string FitText(std::string_view text, int maxWidth, const TextMeasure& measure);
