#pragma once
// A web hook's address: http://host[:port][/path] or https://...

#include <cstdint>
#include <string>
#include <string_view>

struct WebHookUrl {
  bool tls = false;
  std::string host;  // as written, without the brackets of an IPv6 address
  uint16_t port = 80;
  std::string path;  // what the request line names, from "/", query included
  // "host" or "host:port" when the port is not the scheme's own.
  std::string HostHeader() const;
};

// False, with a reason a user can act on, for another scheme, credentials
// in the address, an empty host, a bad port, a fragment-only tail or
// characters that would break the request (blanks, control characters).
bool ParseWebHookUrl(std::string_view url, WebHookUrl& out, std::string& error);
