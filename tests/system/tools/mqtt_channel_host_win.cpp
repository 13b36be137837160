// The MQTT alert channel for the system test, cameras 1 "Front door" and 2 "Yard":
//   mqtt_channel_host --host H --port P [--prefix X] [--user U --password W] [--tls 1 --trusted PEM]
// Alerts come on standard input until "quit": "motion N BASE64-SNAPSHOT", "end N", "lost N",
// "back N", "failed N". Prints each delivery report as "report failed=0|1 camera=N TEXT".
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>

#include "common/fixed_text.h"
#include "events/mqtt_channel_win.h"
#include "net/base64.h"

int main(int argc, char** argv) {
  std::map<std::string, std::string> options;
  for (int i = 1; i + 1 < argc; i += 2) options[argv[i]] = argv[i + 1];
  AlertServers servers;
  CopyText(servers.mqttHost, options["--host"]);
  servers.mqttPort = std::stoi(options["--port"]);
  servers.mqttTls = options["--tls"] == "1";
  CopyText(servers.mqttUser, options["--user"]);
  CopyText(servers.mqttPassword, options["--password"]);
  CopyText(servers.mqttPrefix, options["--prefix"]);
  CopyText(servers.trustedCertificates, options["--trusted"]);
  MqttChannel channel(ClampAlertServers(servers), {{1, "Front door"}, {2, "Yard"}}, [](const DeliveryReport& report) {
    std::printf("report failed=%d camera=%d %s\n", report.failed ? 1 : 0, report.camera, report.text.c_str());
    std::fflush(stdout);
  });
  const std::map<std::string, std::pair<EventKind, bool>> kinds = {{"motion", {EventKind::kMotion, false}},
                                                                   {"end", {EventKind::kMotion, true}},
                                                                   {"lost", {EventKind::kSignalLost, false}},
                                                                   {"back", {EventKind::kSignalBack, false}},
                                                                   {"failed", {EventKind::kRecordingFailed, false}}};
  for (std::string line; std::getline(std::cin, line) && line != "quit";) {
    std::istringstream words(line);
    std::string kind, snapshot;
    Alert alert;
    words >> kind >> alert.camera >> snapshot;
    if (!kinds.count(kind)) continue;
    std::tie(alert.kind, alert.ended) = kinds.at(kind);
    const std::string bytes = Base64Decode(snapshot);
    alert.snapshot.assign(bytes.begin(), bytes.end());
    channel.Send(alert);
  }
  return 0;
}
