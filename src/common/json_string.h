#pragma once
// A JSON string literal of the program's ANSI text, quotes included: bytes
// above 127 go out as the Latin-1 characters of their values, so the
// document is always valid UTF-8.

#include <string>
#include <string_view>

std::string JsonString(std::string_view text);
