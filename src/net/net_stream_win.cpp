#include "net/net_stream_win.h"

#include <wincrypt.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "mbedtls/x509_crt.h"
#include "net/base64.h"

namespace {

constexpr size_t kReadChunk = 16384;

// ms left of a wait that began at `start`.
int Remaining(ULONGLONG start, int timeoutMs) {
  const ULONGLONG spent = GetTickCount64() - start;
  return spent >= static_cast<ULONGLONG>(timeoutMs) ? 0 : static_cast<int>(timeoutMs - spent);
}

std::string SocketErrorText(const char* what, int code) {
  return std::string(what) + " (error " + std::to_string(code) + ")";
}

}  // namespace

NetStream::NetStream(HANDLE stop) : stop_(stop) {
  WSADATA data;
  winsock_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

NetStream::~NetStream() {
  Close();
  if (winsock_) WSACleanup();
}

void NetStream::Close() {
  tls_.reset();
  socket_.Reset();
  event_.Reset();
  readable_ = closed_ = false;
  early_.clear();
}

StreamWait NetStream::WaitEvents(long wanted, int timeoutMs, HANDLE wake, std::string& error) {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    if ((wanted & FD_READ) && (readable_ || closed_)) return StreamWait::kData;
    HANDLE handles[3] = {stop_, event_.Get(), wake};
    const DWORD count = wake ? 3 : 2;
    const DWORD result = WaitForMultipleObjects(count, handles, FALSE, static_cast<DWORD>(Remaining(start, timeoutMs)));
    if (result == WAIT_TIMEOUT) return StreamWait::kTimeout;
    if (result == WAIT_OBJECT_0) {
      error = "stopped";
      return StreamWait::kFailed;
    }
    if (result == WAIT_OBJECT_0 + 2) return StreamWait::kWoken;
    if (result != WAIT_OBJECT_0 + 1) {
      error = SocketErrorText("the wait failed", static_cast<int>(GetLastError()));
      return StreamWait::kFailed;
    }
    WSANETWORKEVENTS events{};
    if (WSAEnumNetworkEvents(socket_.Get(), event_.Get(), &events) != 0) {
      error = SocketErrorText("the connection failed", WSAGetLastError());
      return StreamWait::kFailed;
    }
    // Noted before any return: the enumeration clears them, and a server
    // that speaks first (SMTP) may have sent its greeting with the connect.
    if (events.lNetworkEvents & FD_READ) readable_ = true;
    if (events.lNetworkEvents & FD_CLOSE) closed_ = true;
    if (events.lNetworkEvents & FD_CONNECT) {
      if (events.iErrorCode[FD_CONNECT_BIT] != 0) {
        error = events.iErrorCode[FD_CONNECT_BIT] == WSAECONNREFUSED
                    ? "the connection was refused"
                    : SocketErrorText("the connection failed", events.iErrorCode[FD_CONNECT_BIT]);
        return StreamWait::kFailed;
      }
      if (wanted & FD_CONNECT) return StreamWait::kData;
    }
    if ((wanted & FD_WRITE) && (events.lNetworkEvents & FD_WRITE)) return StreamWait::kData;
  }
}

bool NetStream::Connect(const std::string& host, uint16_t port, int timeoutMs, std::string& error) {
  Close();
  if (!winsock_) {
    error = "WinSock is not available";
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found) {
    error = "the name " + host + " is not known";
    return false;
  }
  sockaddr_in address{};
  std::memcpy(&address, found->ai_addr, sizeof address);
  freeaddrinfo(found);
  socket_.Reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  event_.Reset(WSACreateEvent());
  if (socket_.Get() == INVALID_SOCKET || !event_.Get() ||
      WSAEventSelect(socket_.Get(), event_.Get(), FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
    error = SocketErrorText("no socket", WSAGetLastError());
    Close();
    return false;
  }
  if (connect(socket_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    error = SocketErrorText("the connection failed", WSAGetLastError());
    Close();
    return false;
  }
  const StreamWait connected = WaitEvents(FD_CONNECT, timeoutMs, nullptr, error);
  if (connected != StreamWait::kData) {
    if (connected == StreamWait::kTimeout) error = "no answer within " + std::to_string(timeoutMs / 1000) + " s";
    Close();
    return false;
  }
  return true;
}

bool NetStream::SendRaw(const uint8_t* data, size_t size, int timeoutMs, std::string& error) {
  const ULONGLONG start = GetTickCount64();
  while (size > 0) {
    const int sent =
        send(socket_.Get(), reinterpret_cast<const char*>(data), static_cast<int>(std::min<size_t>(size, 1 << 20)), 0);
    if (sent > 0) {
      data += sent;
      size -= static_cast<size_t>(sent);
      continue;
    }
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
      error = SocketErrorText("sending failed", WSAGetLastError());
      return false;
    }
    const StreamWait wait = WaitEvents(FD_WRITE, Remaining(start, timeoutMs), nullptr, error);
    if (wait == StreamWait::kTimeout) error = "sending took too long";
    if (wait != StreamWait::kData) return false;
  }
  return true;
}

bool NetStream::FlushTls(int timeoutMs, std::string& error) {
  const std::vector<uint8_t> out = tls_->TakeOutgoing();
  return out.empty() || SendRaw(out.data(), out.size(), timeoutMs, error);
}

bool NetStream::Send(std::string_view bytes, int timeoutMs, std::string& error) {
  if (!IsOpen()) {
    error = "not connected";
    return false;
  }
  if (!tls_) return SendRaw(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), timeoutMs, error);
  if (!tls_->Send(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) {
    error = "the secure connection is closed";
    return false;
  }
  return FlushTls(timeoutMs, error);
}

StreamWait NetStream::Receive(std::string& into, int timeoutMs, std::string& error, HANDLE wake) {
  if (!IsOpen()) {
    error = "not connected";
    return StreamWait::kFailed;
  }
  if (!early_.empty()) {
    into += early_;
    early_.clear();
    return StreamWait::kData;
  }
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    const StreamWait wait = WaitEvents(FD_READ, Remaining(start, timeoutMs), wake, error);
    if (wait != StreamWait::kData) return wait;
    char chunk[kReadChunk];
    const int got = recv(socket_.Get(), chunk, sizeof chunk, 0);
    if (got < 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
      readable_ = false;
      if (closed_) return StreamWait::kClosed;
      continue;
    }
    if (got < 0) {
      error = SocketErrorText("receiving failed", WSAGetLastError());
      return StreamWait::kFailed;
    }
    // More may wait; the next call reads until the socket says it is empty.
    readable_ = got > 0;
    if (got == 0) return StreamWait::kClosed;
    if (!tls_) {
      into.append(chunk, static_cast<size_t>(got));
      return StreamWait::kData;
    }
    const size_t before = into.size();
    const TlsState state = tls_->Receive(reinterpret_cast<const uint8_t*>(chunk), static_cast<size_t>(got), into);
    if (state == TlsState::kFailed) {
      error = "the secure connection failed: " + tls_->FailureText();
      return StreamWait::kFailed;
    }
    if (!FlushTls(Remaining(start, timeoutMs) + 1000, error)) return StreamWait::kFailed;
    if (into.size() > before) return StreamWait::kData;
    if (state == TlsState::kClosed) return StreamWait::kClosed;
  }
}

bool NetStream::ReceiveUntil(std::string& into, std::string_view terminator, int timeoutMs, std::string& error) {
  const ULONGLONG start = GetTickCount64();
  while (into.find(terminator) == std::string::npos) {
    const StreamWait wait = Receive(into, Remaining(start, timeoutMs), error);
    if (wait == StreamWait::kData) continue;
    if (wait == StreamWait::kTimeout) error = "no answer within " + std::to_string(timeoutMs / 1000) + " s";
    if (wait == StreamWait::kClosed) error = "the server closed the connection";
    return false;
  }
  return true;
}

bool NetStream::StartTls(const TlsConfig& config, const std::string& host, int timeoutMs, std::string& error) {
  tls_ = std::make_unique<TlsSession>(config, host.c_str());
  const ULONGLONG start = GetTickCount64();
  early_.clear();
  TlsState state = tls_->Receive(nullptr, 0, early_);
  while (state == TlsState::kHandshaking) {
    if (!FlushTls(Remaining(start, timeoutMs), error)) return false;
    const StreamWait wait = WaitEvents(FD_READ, Remaining(start, timeoutMs), nullptr, error);
    if (wait == StreamWait::kTimeout) error = "the secure handshake took too long";
    if (wait != StreamWait::kData) return false;
    char chunk[kReadChunk];
    const int got = recv(socket_.Get(), chunk, sizeof chunk, 0);
    if (got < 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
      readable_ = false;
      continue;
    }
    if (got <= 0) {
      error = "the server closed the connection during the secure handshake";
      return false;
    }
    state = tls_->Receive(reinterpret_cast<const uint8_t*>(chunk), static_cast<size_t>(got), early_);
  }
  if (state != TlsState::kOpen) {
    error = "the secure handshake failed: " + tls_->FailureText();
    return false;
  }
  return FlushTls(Remaining(start, timeoutMs) + 1000, error);
}

std::unique_ptr<TlsConfig> MakeClientTlsConfig(const std::string& extraPemPath, std::string& error) {
  std::string pem;
  if (HCERTSTORE store = CertOpenSystemStoreW(0, L"ROOT")) {
    for (PCCERT_CONTEXT cert = nullptr; (cert = CertEnumCertificatesInStore(store, cert));) {
      // Roots in forms this TLS library cannot read are left out, not fatal.
      mbedtls_x509_crt probe;
      mbedtls_x509_crt_init(&probe);
      const bool readable = mbedtls_x509_crt_parse_der(&probe, cert->pbCertEncoded, cert->cbCertEncoded) == 0;
      mbedtls_x509_crt_free(&probe);
      if (!readable) continue;
      const std::string body =
          Base64Encode(std::string_view(reinterpret_cast<const char*>(cert->pbCertEncoded), cert->cbCertEncoded));
      pem += "-----BEGIN CERTIFICATE-----\n";
      for (size_t i = 0; i < body.size(); i += 64) pem += body.substr(i, 64) + "\n";
      pem += "-----END CERTIFICATE-----\n";
    }
    CertCloseStore(store, 0);
  }
  if (!extraPemPath.empty()) {
    std::ifstream file(extraPemPath, std::ios::binary);
    if (!file) {
      error = "The trusted certificates file " + extraPemPath + " cannot be opened";
      return nullptr;
    }
    pem.append(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  if (pem.empty()) {
    error = "No trusted certificate was found";
    return nullptr;
  }
  return TlsConfig::Client(pem, error);
}
