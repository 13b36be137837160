#pragma once
// MD5 (RFC 1321), for the Digest answers of cameras that ask for them; the
// TLS library is built without it. Never for anything that must be secure.

#include <string>
#include <string_view>

// The digest as 32 lowercase hexadecimal digits.
std::string Md5Hex(std::string_view bytes);
