#include "web/web_settings.h"

#include <cstring>

WebSettings DefaultWebSettings() {
  WebSettings settings;
  std::memset(&settings, 0, sizeof settings);
  settings.listenPort = 80;
  settings.requireLogin = 1;
  return settings;
}
