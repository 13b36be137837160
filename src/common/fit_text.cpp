#include "common/fit_text.h"

namespace {

std::string Shortened(std::string_view text, size_t keep) {
  std::string_view start = text.substr(0, keep);
  while (!start.empty() && start.back() == ' ') start.remove_suffix(1);
  std::string shortened(start);
  shortened += kEllipsis;
  return shortened;
}

}  // namespace

std::string FitText(std::string_view text, int maxWidth, const TextMeasure& measure) {
  if (measure(text) <= maxWidth) return std::string(text);
  if (measure(kEllipsis) > maxWidth) return {};
  // The widest start that still fits: widths grow with the length, so the
  // fitting lengths form one range from 0 up.
  size_t fits = 0, fails = text.size();
  while (fails - fits > 1) {
    const size_t middle = fits + (fails - fits) / 2;
    if (measure(Shortened(text, middle)) <= maxWidth)
      fits = middle;
    else
      fails = middle;
  }
  return Shortened(text, fits);
}
