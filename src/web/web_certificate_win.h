#pragma once
// The web server's certificate: the user's own PEM files, or one made for
// this computer on first use and kept beside the settings.

#include <memory>
#include <string>

#include "net/tls_config.h"
#include "web/web_settings.h"

// The files of the made certificate, from the settings file's path without
// its extension.
std::string MadeCertificatePath(const std::string& base);
std::string MadeKeyPath(const std::string& base);

// The server's TLS configuration as `security` chooses. The made certificate
// is read from beside `base`, or made and written there when it is not
// there yet. Null, with the reason in `error`, when a file cannot be read or
// written or holds no usable certificate or key.
std::shared_ptr<TlsConfig> LoadWebTls(const WebSecurity& security, const std::string& base, std::string& error);
