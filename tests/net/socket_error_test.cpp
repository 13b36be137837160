#include "net/socket_error.h"

#include <gtest/gtest.h>

TEST(SocketErrorText, EveryListedCodeHasItsText) {
  const std::pair<int, const char*> table[] = {
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
  for (const auto& [code, text] : table) EXPECT_EQ(SocketErrorText(code), text) << code;
}

TEST(SocketErrorText, AlreadyInProgressKeepsItsTrailingBlank) {
  EXPECT_EQ(SocketErrorText(10037).back(), ' ');
}

TEST(SocketErrorText, UnlistedCodesShowTheNumber) {
  EXPECT_EQ(SocketErrorText(5), "Unknown Socket Errorcode: 5");
  EXPECT_EQ(SocketErrorText(10035), "Unknown Socket Errorcode: 10035");
  EXPECT_EQ(SocketErrorText(-1), "Unknown Socket Errorcode: -1");
}
