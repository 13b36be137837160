#include "web/web_certificate_win.h"

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <ctime>
#include <vector>

#include "common/scoped_handle_win.h"
#include "net/host_names_win.h"
#include "net/tls_certificate.h"

namespace {

// PEM files are small; anything larger is not one.
constexpr DWORD kMaxPemBytes = 1024 * 1024;

enum class FileRead { kRead, kMissing, kFailed };

FileRead ReadPem(const std::string& path, std::string& text) {
  ScopedKernelHandle file(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::kMissing : FileRead::kFailed;
  }
  const DWORD size = GetFileSize(file.Get(), nullptr);
  if (size == INVALID_FILE_SIZE || size > kMaxPemBytes) return FileRead::kFailed;
  text.assign(size, '\0');
  DWORD read = 0;
  if (size && (!ReadFile(file.Get(), text.data(), size, &read, nullptr) || read != size)) return FileRead::kFailed;
  return FileRead::kRead;
}

bool WritePem(const std::string& path, const std::string& text) {
  ScopedKernelHandle file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

std::shared_ptr<TlsConfig> FromFiles(const std::string& certificatePath, const std::string& keyPath,
                                     std::string& error) {
  std::string certificate, key;
  if (ReadPem(certificatePath, certificate) != FileRead::kRead) {
    error = "The certificate file " + certificatePath + " cannot be read.";
    return nullptr;
  }
  if (ReadPem(keyPath, key) != FileRead::kRead) {
    error = "The key file " + keyPath + " cannot be read.";
    return nullptr;
  }
  std::string reason;
  std::shared_ptr<TlsConfig> config = TlsConfig::Server(certificate, key, reason);
  if (!config) error = reason + "\n(" + certificatePath + ", " + keyPath + ")";
  return config;
}

// The names a browser may use for this computer.
std::optional<TlsIdentityPem> MakeIdentity() {
  std::vector<std::string> names;
  const std::string computer = ComputerName();
  if (!computer.empty()) names.push_back(computer);
  names.push_back("localhost");
  std::vector<uint32_t> addresses = {INADDR_LOOPBACK};
  for (const std::string& text : NetworkAddresses()) {
    in_addr address{};
    if (inet_pton(AF_INET, text.c_str(), &address) == 1) addresses.push_back(ntohl(address.s_addr));
  }
  std::optional<TlsIdentityPem> identity = MakeSelfSignedIdentity(names, addresses, std::time(nullptr));
  // A computer name that cannot stand in a certificate still leaves localhost.
  if (!identity && names.size() > 1) identity = MakeSelfSignedIdentity({"localhost"}, addresses, std::time(nullptr));
  return identity;
}

}  // namespace

std::string MadeCertificatePath(const std::string& base) {
  return base + "-certificate.pem";
}

std::string MadeKeyPath(const std::string& base) {
  return base + "-key.pem";
}

std::shared_ptr<TlsConfig> LoadWebTls(const WebSecurity& security, const std::string& base, std::string& error) {
  if (security.ownCertificate) return FromFiles(security.certificatePath, security.keyPath, error);
  const std::string certificatePath = MadeCertificatePath(base);
  const std::string keyPath = MadeKeyPath(base);
  std::string ignored;
  // Made only when neither is there: a damaged pair is reported, not
  // replaced behind the user's back with a certificate browsers do not know.
  if (ReadPem(certificatePath, ignored) == FileRead::kMissing && ReadPem(keyPath, ignored) == FileRead::kMissing) {
    const std::optional<TlsIdentityPem> identity = MakeIdentity();
    if (!identity) {
      error = "No certificate could be made for this computer.";
      return nullptr;
    }
    if (!WritePem(keyPath, identity->key) || !WritePem(certificatePath, identity->certificate)) {
      error = "The certificate made for this computer cannot be written to " + certificatePath + ".";
      return nullptr;
    }
  }
  return FromFiles(certificatePath, keyPath, error);
}
