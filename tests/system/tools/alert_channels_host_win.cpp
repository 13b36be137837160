// Runs the mail and web hook alert channels for the alert system test.
// Usage:
//   alert_channels_host [--smtp-host H --smtp-port N --security none|starttls|tls --user U --password P
//                        --from A --to B] [--hook URL] [--trusted PEM]
// Reads commands from standard input, one per line:
//   send camera=N kind=K ended=0|1 time=T offset=S level=L [jpeg=FILE] [url=U] name=REST OF LINE
//                  hands an alert to both channels, answers "sent ms=M" with the
//                  time the two Send calls took
//   quit           destroys the channels, answers "stopped ms=M"
// Every delivery report is printed as it comes:
//   report failed=0|1 camera=N text=...
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
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

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// "key=value" words; a "name=" value runs to the end of the line.
std::string Field(const std::string& line, const std::string& key) {
  const size_t at = line.find(" " + key + "=");
  if (at == std::string::npos) return "";
  const size_t start = at + key.size() + 2;
  return key == "name" ? line.substr(start) : line.substr(start, line.find(' ', start) - start);
}

Alert ReadAlert(const std::string& line) {
  Alert alert;
  alert.camera = std::atoi(Field(line, "camera").c_str());
  alert.kind = static_cast<EventKind>(std::atoi(Field(line, "kind").c_str()));
  alert.ended = Field(line, "ended") == "1";
  alert.time = std::atoll(Field(line, "time").c_str());
  alert.utcOffset = std::atoi(Field(line, "offset").c_str());
  alert.level = std::atoi(Field(line, "level").c_str());
  alert.pictureUrl = Field(line, "url");
  alert.cameraName = Field(line, "name");
  const std::string jpeg = Field(line, "jpeg");
  if (!jpeg.empty()) {
    std::ifstream file(jpeg, std::ios::binary);
    alert.thumbnail.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  return alert;
}

}  // namespace

int main(int argc, char** argv) {
  AlertServers servers;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const char* value = argv[i + 1];
    if (option == "--smtp-host") CopyText(servers.smtpHost, value);
    if (option == "--smtp-port") servers.smtpPort = std::atoi(value);
    if (option == "--security") {
      const std::string security = value;
      servers.smtpSecurity = static_cast<int32_t>(security == "tls"        ? MailSecurity::kTls
                                                  : security == "starttls" ? MailSecurity::kStartTls
                                                                           : MailSecurity::kNone);
    }
    if (option == "--user") CopyText(servers.smtpUser, value);
    if (option == "--password") CopyText(servers.smtpPassword, value);
    if (option == "--from") CopyText(servers.mailFrom, value);
    if (option == "--to") CopyText(servers.mailTo, value);
    if (option == "--hook") CopyText(servers.hookUrl, value);
    if (option == "--trusted") CopyText(servers.trustedCertificates, value);
  }
  const DeliveryListener listener = [](const DeliveryReport& report) {
    Print("report failed=" + std::to_string(report.failed) + " camera=" + std::to_string(report.camera) +
          " text=" + report.text);
  };
  auto mail = servers.smtpHost[0] ? std::make_unique<MailChannel>(servers, listener) : nullptr;
  auto hook = servers.hookUrl[0] ? std::make_unique<WebHookChannel>(servers, listener) : nullptr;
  Print("ready");
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, stdin)) {
    std::string line = buffer;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.rfind("send ", 0) != 0) break;
    const Alert alert = ReadAlert(line);
    const auto start = std::chrono::steady_clock::now();
    if (mail) mail->Send(alert);
    if (hook) hook->Send(alert);
    Print("sent ms=" + std::to_string(MsSince(start)));
  }
  const auto start = std::chrono::steady_clock::now();
  mail.reset();
  hook.reset();
  Print("stopped ms=" + std::to_string(MsSince(start)));
  return 0;
}
