#pragma once
// The text of the "About Vorrandale" box: the program's version, where its
// web server can be reached, and the third-party code it carries with the
// licences that cover it.

#include <cstdint>
#include <string>
#include <vector>

// The version the build gives the program (one definition in the build).
const char* ProgramVersion();

struct AboutFacts {
  std::string version;
  bool webEnabled = false;
  bool webListening = false;  // the server holds its port
  uint16_t webPort = 0;
  // The SHA-256 fingerprint of the certificate when the server speaks HTTPS,
  // "" for plain HTTP.
  std::string webFingerprint;
  bool webLocalOnly = false;  // listens on 127.0.0.1 only
  std::string hostName;       // this computer's name, "" when unknown
  std::string settingsNote;   // a line on how the settings were loaded, or ""
  // This computer's IPv4 addresses on the network ("192.168.0.20"); phones
  // often cannot find a computer by its name.
  std::vector<std::string> addresses;
};

std::string AboutText(const AboutFacts& facts);
