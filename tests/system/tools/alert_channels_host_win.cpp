// Runs the mail and web hook alert channels for the alert system test:
//   alert_channels_host [--smtp-host H --smtp-port N --security none|starttls|tls --user U --password P
//                        --from A --to B] [--hook URL] [--trusted PEM]
// Prints "ready", then reads lines from standard input:
//   send CAMERA KIND ENDED TIME OFFSET LEVEL JPEG-FILE|- PICTURE-URL|- NAME...
//        hands the alert to both channels; answers "sent ms=M", the time the Send calls took
//   quit destroys the channels; answers "stopped ms=M"
// and prints each delivery report as "report failed=0|1 camera=N text=...".
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "common/fixed_text.h"
#include "events/mail_channel_win.h"
#include "events/web_hook_channel_win.h"

namespace {

std::mutex printing;

void Print(const std::string& line) {
  std::lock_guard lock(printing);
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

bool ReadAlert(const char* line, Alert& alert) {
  int kind = 0, ended = 0, name = 0;
  long long time = 0;
  char jpeg[260], url[260];
  if (std::sscanf(line, "send %d %d %d %lld %d %d %259s %259s %n", &alert.camera, &kind, &ended, &time,
                  &alert.utcOffset, &alert.level, jpeg, url, &name) < 8 ||
      name == 0)
    return false;
  alert.kind = static_cast<EventKind>(kind);
  alert.ended = ended != 0;
  alert.time = time;
  alert.pictureUrl = std::strcmp(url, "-") ? url : "";
  alert.cameraName.assign(line + name, std::strcspn(line + name, "\r\n"));
  std::ifstream file(jpeg, std::ios::binary);
  alert.thumbnail.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

std::string MsSince(std::chrono::steady_clock::time_point start) {
  return std::to_string(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> options;
  for (int i = 1; i + 1 < argc; i += 2) options[argv[i]] = argv[i + 1];
  AlertServers servers;
  CopyText(servers.smtpHost, options["--smtp-host"]);
  servers.smtpPort = options.count("--smtp-port") ? std::stoi(options["--smtp-port"]) : 25;
  const std::string security = options["--security"];
  servers.smtpSecurity = static_cast<int32_t>(security == "tls"        ? MailSecurity::kTls
                                              : security == "starttls" ? MailSecurity::kStartTls
                                                                       : MailSecurity::kNone);
  CopyText(servers.smtpUser, options["--user"]);
  CopyText(servers.smtpPassword, options["--password"]);
  CopyText(servers.mailFrom, options["--from"]);
  CopyText(servers.mailTo, options["--to"]);
  CopyText(servers.hookUrl, options["--hook"]);
  CopyText(servers.trustedCertificates, options["--trusted"]);
  const DeliveryListener listener = [](const DeliveryReport& report) {
    Print("report failed=" + std::to_string(report.failed) + " camera=" + std::to_string(report.camera) +
          " text=" + report.text);
  };
  std::unique_ptr<AlertChannel> channels[2];
  if (servers.smtpHost[0]) channels[0] = std::make_unique<MailChannel>(servers, listener);
  if (servers.hookUrl[0]) channels[1] = std::make_unique<WebHookChannel>(servers, listener);
  Print("ready");
  char line[4096];
  Alert alert;
  while (std::fgets(line, sizeof line, stdin) && ReadAlert(line, alert)) {
    const auto start = std::chrono::steady_clock::now();
    for (const auto& channel : channels)
      if (channel) channel->Send(alert);
    Print("sent ms=" + MsSince(start));
    alert = {};
  }
  const auto start = std::chrono::steady_clock::now();
  for (auto& channel : channels) channel.reset();
  Print("stopped ms=" + MsSince(start));
  return 0;
}
