#pragma once
// Comparing names that ignore the case of ASCII letters: file names on
// Windows, HTTP header names, URL schemes.

#include <string_view>

bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view tail);
