#include "events/alert_servers_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "common/fixed_text.h"

namespace {

TEST(AlertServersCheckTest, RefusesEachSlipAtItsField) {
  const struct {
    const char* what;
    std::function<void(AlertServers&)> edit;
    AlertField field;
  } cases[] = {
      {"defaults", [](AlertServers&) {}, AlertField::kNone},
      {"recipients", [](AlertServers& s) { CopyText(s.mailTo, " me@example.org , a@b,"); }, AlertField::kNone},
      {"server without sender", [](AlertServers& s) { CopyText(s.smtpHost, "mail"); }, AlertField::kMailFrom},
      {"one recipient wrong", [](AlertServers& s) { CopyText(s.mailTo, "me@example.org, you@"); }, AlertField::kMailTo},
      {"hook over ftp", [](AlertServers& s) { CopyText(s.hookUrl, "ftp://x/"); }, AlertField::kHookUrl},
      {"broker port 65536", [](AlertServers& s) { s.mqttPort = 65536; }, AlertField::kMqttPort},
      {"prefix with a wildcard", [](AlertServers& s) { CopyText(s.mqttPrefix, "home/#"); }, AlertField::kMqttPrefix},
      {"prefix from the root", [](AlertServers& s) { CopyText(s.mqttPrefix, "/cams"); }, AlertField::kMqttPrefix},
      {"99 events", [](AlertServers& s) { s.maxEvents = 99; }, AlertField::kMaxEvents},
  };
  for (const auto& c : cases) {
    AlertServers servers;
    c.edit(servers);
    const AlertServersProblem problem = CheckAlertServers(servers);
    EXPECT_EQ(problem.field, c.field) << c.what;
    EXPECT_EQ(problem.message != nullptr, c.field != AlertField::kNone) << c.what;
  }
}

}  // namespace
