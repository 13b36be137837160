#pragma once
// The text of the "About Vorrandale" box: the program's version, where its
// web server can be reached, and the third-party code it carries with the
// licences that cover it.

#include <cstdint>
#include <string>

// The version the build gives the program (one definition in the build).
const char* ProgramVersion();

struct AboutFacts {
  std::string version;
  bool webEnabled = false;
  bool webListening = false;  // the server holds its port
  uint16_t webPort = 0;
  std::string hostName;      // this computer's name, "" when unknown
  std::string settingsNote;  // a line on how the settings were loaded, or ""
};

std::string AboutText(const AboutFacts& facts);
