#pragma once
// Base64 (standard alphabet, '=' padding) for HTTP Basic credentials: the
// camera client encodes what it finds in a camera URL, the web server decodes
// what a browser sends.

#include <cstddef>
#include <string>
#include <string_view>

// Capacity of the credential buffer the camera client keeps (259 + NUL).
inline constexpr size_t kCredentialTextCapacity = 260;

// Encodes any bytes; the result has 4 * ceil(n / 3) characters.
std::string Base64Encode(std::string_view bytes);

// Encodes "user:password" into output as NUL-terminated text. Returns false
// and leaves output untouched when the encoding would exceed 259 characters
// (a joined text of more than 192 characters).
bool Base64EncodeCredentials(std::string_view userName, std::string_view password,
                             char (&output)[kCredentialTextCapacity]);

// Lenient decoder: stops at the end, at the first '=' or at the first
// character outside the alphabet (blanks and line ends included) and returns
// what it decoded up to there. Padding is optional; 1 trailing character adds
// nothing, 2 add one byte, 3 add two. The result may hold any byte, NUL too.
std::string Base64Decode(std::string_view text);
