#include "net/socket_error.h"

#include <string_view>

namespace {

struct ErrorText {
  int code;
  std::string_view text;
};

// The codes are WinSock's own numbers, spelled out so this file needs no
// Windows header.
constexpr ErrorText kErrorTexts[] = {
    {0, "No Errors"},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress. "},
    {10038, "Socket operation on non-socket."},
    {10040, "Message too long."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by remote side."},
    {10055, "No buffer space available."},
    {10057, "Socket is not connected."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10064, "Host is down."},
};

}  // namespace

std::string SocketErrorText(int code) {
  for (const ErrorText& entry : kErrorTexts) {
    if (entry.code == code) return std::string(entry.text);
  }
  return "Unknown Socket Errorcode: " + std::to_string(code);
}
