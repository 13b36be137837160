#pragma once
// Numbers typed into URLs and dialog fields, read as atoi reads them.

#include <string_view>

// Leading blanks, an optional sign, then digits; anything after is ignored
// and no digits give 0. Saturates at 2^31 either way instead of overflowing.
long long ParseLeadingInteger(std::string_view text);
