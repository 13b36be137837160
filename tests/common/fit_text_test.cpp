#include "common/fit_text.h"

#include <gtest/gtest.h>

namespace {

// Every character 10 units wide, a dot 3: widths grow with the length.
int Measure(std::string_view text) {
  int width = 0;
  for (char c : text) width += c == '.' ? 3 : 10;
  return width;
}

TEST(FitTextTest, KeepsTheStartAndEndsWithAnEllipsis) {
  // Fits exactly: unchanged.
  EXPECT_EQ(FitText("Camera", 60, Measure), "Camera");
  EXPECT_EQ(FitText("", 0, Measure), "");
  // One unit short: the longest start that fits with "..." (9 units).
  EXPECT_EQ(FitText("Camera", 59, Measure), "Camer...");
  EXPECT_EQ(FitText("Camera", 58, Measure), "Came...");
  EXPECT_EQ(FitText("Unable to resolve host name", 109, Measure), "Unable to...");
  // Spaces before the cut are dropped, not drawn before the dots.
  EXPECT_EQ(FitText("ab   cdefgh", 59, Measure), "ab...");
  // Room for the dots alone, then for nothing.
  EXPECT_EQ(FitText("Camera", 9, Measure), "...");
  EXPECT_EQ(FitText("Camera", 8, Measure), "");
  EXPECT_EQ(FitText("Camera", -5, Measure), "");
  // Whatever the width, the result fits and is a start of the text.
  const std::string text = " Motion Level: 000   Latency: 000ms ";
  for (int width = 0; width <= Measure(text); ++width) {
    const std::string fitted = FitText(text, width, Measure);
    EXPECT_LE(Measure(fitted), width) << width;
    if (fitted.size() > kEllipsis.size()) {
      EXPECT_EQ(text.compare(0, fitted.size() - 3, fitted, 0, fitted.size() - 3), 0) << fitted;
    }
  }
}

}  // namespace
