#include <gtest/gtest.h>

#include "events/web_hook_message.h"
#include "events/web_hook_response.h"
#include "events/web_hook_url.h"

namespace {

TEST(WebHook, ReadsItsAddress) {
  const struct {
    std::string url;
    bool tls;
    std::string host;
    uint16_t port;
    std::string path, hostHeader;
  } cases[] = {
      {"http://hooks.example/a/b?x=1#frag", false, "hooks.example", 80, "/a/b?x=1", "hooks.example"},
      {"HTTPS://h:8443", true, "h", 8443, "/", "h:8443"},
      {"https://h:443?q", true, "h", 443, "/?q", "h"},
      {"http://[::1]:81/p", false, "::1", 81, "/p", "[::1]:81"},
  };
  for (const auto& c : cases) {
    WebHookUrl url;
    std::string error;
    ASSERT_TRUE(ParseWebHookUrl(c.url, url, error)) << c.url;
    EXPECT_EQ(url.tls, c.tls) << c.url;
    EXPECT_EQ(url.host, c.host) << c.url;
    EXPECT_EQ(url.port, c.port) << c.url;
    EXPECT_EQ(url.path, c.path) << c.url;
    EXPECT_EQ(url.HostHeader(), c.hostHeader) << c.url;
  }
  for (const char* refused : {"ftp://h/", "h/p", "http:///p", "http://h:/p", "http://h:0", "http://h:65536",
                              "http://h:8x", "http://u:p@h/", "http://h/a b", "http://h/\r\nX: y", "http://[::1/p"}) {
    WebHookUrl url;
    std::string error;
    EXPECT_FALSE(ParseWebHookUrl(refused, url, error)) << refused;
    EXPECT_FALSE(error.empty()) << refused;
  }
}

TEST(WebHook, EscapesJsonText) {
  const struct {
    std::string text, json;
  } cases[] = {
      {"Front door", "\"Front door\""},    {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"l1\nl2\r\t", "\"l1\\nl2\\r\\t\""}, {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
      {"caf\xC3\xA9", "\"caf\xC3\xA9\""},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonText(c.text), c.json);
}

TEST(WebHook, JudgesTheAnswer) {
  const struct {
    std::string head;
    DeliveryOutcome outcome;
    int64_t retryAfterMs;
  } cases[] = {
      {"HTTP/1.0 204\r\n\r\n", DeliveryOutcome::kDelivered, 0},
      {"HTTP/1.1 301 Moved\r\nLocation: /x\r\n\r\n", DeliveryOutcome::kDrop, 0},
      {"HTTP/1.1 408 Timeout\r\n\r\n", DeliveryOutcome::kRetry, 0},
      {"HTTP/1.1 429 Slow down\r\nretry-after: 30\r\n\r\n", DeliveryOutcome::kRetry, 30000},
      {"HTTP/1.1 503 Busy\r\nRetry-After: Wed, 09 Dec 2026 14:00:00 GMT\r\n\r\n", DeliveryOutcome::kRetry, 0},
      {"HTTP/1.1 500 Oops\n\n", DeliveryOutcome::kRetry, 0},
  };
  for (const auto& c : cases) {
    WebHookResponse response;
    ASSERT_TRUE(ParseWebHookResponse(c.head, response)) << c.head;
    const DeliveryResult result = JudgeWebHookStatus(response);
    EXPECT_EQ(result.outcome, c.outcome) << c.head;
    EXPECT_EQ(result.retryAfterMs, c.retryAfterMs) << c.head;
    EXPECT_EQ(result.error.find(std::to_string(response.status)) != std::string::npos,
              c.outcome != DeliveryOutcome::kDelivered);
  }
  for (const char* refused : {"HTTP/2 200 OK\r\n\r\n", "HTTP/1.1 20 OK\r\n\r\n", "HTTP/1.1 200OK\r\n\r\n",
                              "SMTP 220\r\n\r\n", "HTTP/1.1 200 OK\r\nno colon\r\n\r\n"}) {
    WebHookResponse response;
    EXPECT_FALSE(ParseWebHookResponse(refused, response)) << refused;
  }
}

}  // namespace
