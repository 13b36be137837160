#pragma once
// Plain HTTP answered with a redirect to the HTTPS server: who may be
// answered, and where they are sent.

#include <cstdint>
#include <string>
#include <string_view>

// True for loopback and the private and link-local IPv4 ranges; `address`
// in host order. Only these peers get a redirect: one from the internet
// should not learn that a server is there.
bool IsLocalNetworkAddress(uint32_t address);

// The Location of the redirect for a whole `request` that reached
// `connectedHost` (the address the peer connected to, as text): the host
// named in its Host header when that is a plain name, IPv4 address or
// [IPv6] address (any port dropped), else `connectedHost`; then
// `httpsPort`, then the request's path when it is one of printable
// characters, else "/".
std::string HttpsRedirectLocation(std::string_view request, std::string_view connectedHost, uint16_t httpsPort);

// The whole "301 Moved Permanently" response for `location`.
std::string HttpsRedirectResponse(std::string_view location);
