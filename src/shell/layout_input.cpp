#include "shell/layout_input.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "shell/grid_layout.h"

namespace {

// atoi's reading without its undefined behaviour on overflow.
int LeadingInteger(const char* text) {
  const long value = std::strtol(text, nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

LayoutInput ParseLayoutInput(const char* columns, const char* rows, const char* aspectRatio) {
  return {LeadingInteger(columns), LeadingInteger(rows), std::strtod(aspectRatio, nullptr)};
}

const char* LayoutInputError(const LayoutInput& input) {
  if (input.columns < kMinGridSide || input.rows < kMinGridSide) return "Row or Column value cannot be less than 1";
  if (input.columns > kMaxGridSide || input.rows > kMaxGridSide) {
    return "Row or Column value should not be greater than 10";
  }
  // A negated range test, so that "nan" is refused too.
  if (!(input.aspectRatio >= kMinAspectRatio && input.aspectRatio <= kMaxAspectRatio)) {
    return "Aspect ratio must be between 0.1 and 2.0";
  }
  return nullptr;
}
