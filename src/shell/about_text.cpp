#include "shell/about_text.h"

#include "common/version.h"

const char* ProgramVersion() {
  return VR_VERSION_TEXT;
}

namespace {

std::string WebLine(const AboutFacts& facts) {
  if (!facts.webEnabled) return "Web server: off (Webserver Setup switches it on).";
  const std::string port = std::to_string(facts.webPort);
  if (!facts.webListening) return "Web server: not listening, port " + port + " is not available.";
  const std::string scheme = facts.webFingerprint.empty() ? "http://" : "https://";
  std::string line = "Web server: " + scheme + "localhost:" + port + "/ on this computer";
  std::vector<std::string> network;
  if (!facts.webLocalOnly) {
    if (!facts.hostName.empty()) network.push_back(facts.hostName);
    network.insert(network.end(), facts.addresses.begin(), facts.addresses.end());
  }
  for (size_t k = 0; k < network.size(); ++k)
    line += (k == 0 ? ",\n" : "\nor ") + scheme + network[k] + ":" + port + "/" + (k == 0 ? " from the network" : "");
  line += ".\nThe live page there shows every camera.";
  if (!facts.webFingerprint.empty())
    line += "\nThe certificate's SHA-256 fingerprint, to compare with what the browser shows:\n" + facts.webFingerprint;
  return line;
}

}  // namespace

std::string AboutText(const AboutFacts& facts) {
  return "Vorrandale " + facts.version + "\nWatches cameras, records what they see and serves live pictures.\n\n" +
         WebLine(facts) + (facts.settingsNote.empty() ? "" : "\n\n" + facts.settingsNote) +
         "\n\nThird-party code:\n"
         "libjpeg-turbo (JPEG coding), under the IJG licence, the Modified (3-clause) BSD licence "
         "and the zlib licence.\n"
         "This software is based in part on the work of the Independent JPEG Group.\n"
         "FFmpeg's libavformat, libavcodec, libswscale and libavutil (RTSP cameras), under the GNU LGPL "
         "version 2.1 or later.\n"
         "Mbed TLS (HTTPS), under the Apache License 2.0.\n"
         "The mingw-w64 runtime and GCC's runtime libraries (GPL with the GCC Runtime Library Exception).\n"
         "The licence texts are in the licenses folder beside the program.";
}
