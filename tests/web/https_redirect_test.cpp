#include "web/https_redirect.h"

#include <gtest/gtest.h>

namespace {

TEST(HttpsRedirect, LocationTakesASafeHostElseTheConnectedAddressAndKeepsThePath) {
  const struct {
    std::string request;
    const char* location;
  } cases[] = {
      {"GET /index.html HTTP/1.1\r\nHost: cam.example:8080\r\n\r\n", "https://cam.example:8443/index.html"},
      {"HEAD /$CAM1?size=2 HTTP/1.0\r\nhost: 192.168.1.5\r\n\r\n", "https://192.168.1.5:8443/$CAM1?size=2"},
      {"GET / HTTP/1.1\r\nHost: [fe80::1%25]:80\r\n\r\n", "https://10.0.0.2:8443/"},
      {"GET /x HTTP/1.1\r\nHost: [fe80::1]:80\r\n\r\n", "https://[fe80::1]:8443/x"},
      {"GET /x HTTP/1.0\r\n\r\n", "https://10.0.0.2:8443/x"},
      {"GET /x HTTP/1.1\r\nHost: evil.com\rX: y\r\n\r\n", "https://10.0.0.2:8443/x"},
      {"GET /x HTTP/1.1\r\nHost: a@evil.com\r\n\r\n", "https://10.0.0.2:8443/x"},
      {"GET /x HTTP/1.1\r\nHost: [::1]evil\r\n\r\n", "https://10.0.0.2:8443/x"},
      {std::string("GET /a\x01\x7f HTTP/1.0\r\n\r\n"), "https://10.0.0.2:8443/"},
      {"GET http://other/ HTTP/1.0\r\n\r\n", "https://10.0.0.2:8443/"},
      {"GET\r\n\r\n", "https://10.0.0.2:8443/"},
  };
  for (const auto& c : cases) EXPECT_EQ(HttpsRedirectLocation(c.request, "10.0.0.2", 8443), c.location) << c.request;
}

TEST(HttpsRedirect, OnlyLoopbackPrivateAndLinkLocalPeersAreLocal) {
  const struct {
    uint32_t address;
    bool local;
  } cases[] = {{0x7F000001, true},  {0x0A010203, true},  {0xAC100001, true},  {0xAC1FFFFF, true},
               {0xAC0FFFFF, false}, {0xAC200000, false}, {0xC0A80001, true},  {0xC0A90001, false},
               {0xA9FE0101, true},  {0xA9FF0101, false}, {0x08080808, false}, {0x0B000001, false}};
  for (const auto& c : cases) EXPECT_EQ(IsLocalNetworkAddress(c.address), c.local) << std::hex << c.address;
}

}  // namespace
