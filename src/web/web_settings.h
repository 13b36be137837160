#pragma once
// The web server settings: the first record of the configuration file, stored
// byte for byte, so the layout below is a file format (little-endian).

#include <cstddef>
#include <cstdint>

struct WebSettings {
  int32_t webEnabled;    // 1 = the server listens
  int32_t requireLogin;  // 1 = every request must carry matching Basic credentials
  uint16_t listenPort;
  char userName[260];  // NUL-terminated; the dialog stores at most 258 characters
  char password[260];
  uint8_t zeroFill[2];
};

static_assert(sizeof(WebSettings) == 532);
static_assert(offsetof(WebSettings, webEnabled) == 0);
static_assert(offsetof(WebSettings, requireLogin) == 4);
static_assert(offsetof(WebSettings, listenPort) == 8);
static_assert(offsetof(WebSettings, userName) == 10);
static_assert(offsetof(WebSettings, password) == 270);
static_assert(offsetof(WebSettings, zeroFill) == 530);

// All zero, then port 80 and login required: what the main window starts
// from before the configuration file may overwrite it.
WebSettings DefaultWebSettings();

// The settings that came after WebSettings, kept in the configuration file's
// extension: how the server is reached and which certificate it shows.
struct WebSecurity {
  int32_t useHttps = 1;            // 1 = TLS on the listening port
  int32_t localOnly = 0;           // 1 = listen on 127.0.0.1 only, not on every network
  int32_t ownCertificate = 0;      // 1 = the PEM files below, 0 = the certificate made for this computer
  char certificatePath[260] = {};  // NUL-terminated
  char keyPath[260] = {};
  int32_t redirectHttp = 0;   // 1 = plain HTTP on redirectPort is sent on to HTTPS
  int32_t redirectPort = 80;  // 1 to 65535, never the HTTPS port
};

// A redirect port the dialog accepts beside the HTTPS port `httpsPort`.
constexpr bool IsValidRedirectPort(long long port, uint16_t httpsPort) {
  return port >= 1 && port <= 65535 && port != httpsPort;
}
