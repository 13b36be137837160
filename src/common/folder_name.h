#pragma once
// Path components Windows reads as something other than their text.

#include <string_view>

// True for a component made only of dots and blanks ("..", ". .", "... "):
// Windows drops trailing dots and blanks, so each names the current or the
// parent folder.
bool IsDotsAndBlanks(std::string_view component);
