#include "sources/tcp_probe_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <utility>

#include "common/fixed_text.h"

namespace {

constexpr long kPollSliceUs = 100000;

struct AddressListTraits {
  using Handle = addrinfo*;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { freeaddrinfo(h); }
};

}  // namespace

TcpProbe ProbeTcp(const char* host, int port, const std::function<bool()>& interrupted) {
  ScopedSocket connected;
  return ConnectTcp(host, port, interrupted, connected);
}

TcpProbe ConnectTcp(const char* host, int port, const std::function<bool()>& interrupted, ScopedSocket& connected) {
  char service[16];
  FormatText(service, sizeof service, "%d", port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, service, &hints, &found) != 0) return TcpProbe::kUnresolved;
  ScopedHandle<AddressListTraits> addresses(found);
  for (const addrinfo* address = found; address; address = address->ai_next) {
    ScopedSocket socket(::socket(address->ai_family, address->ai_socktype, address->ai_protocol));
    if (!socket) continue;
    u_long nonBlocking = 1;
    ioctlsocket(socket.Get(), FIONBIO, &nonBlocking);
    if (connect(socket.Get(), address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0) {
      connected = std::move(socket);
      return TcpProbe::kAnswers;
    }
    if (WSAGetLastError() != WSAEWOULDBLOCK) continue;
    for (;;) {
      if (interrupted()) return TcpProbe::kInterrupted;
      fd_set writable, failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(socket.Get(), &writable);
      FD_SET(socket.Get(), &failed);
      timeval slice{0, kPollSliceUs};
      if (select(0, nullptr, &writable, &failed, &slice) == SOCKET_ERROR) break;
      if (FD_ISSET(socket.Get(), &writable)) {
        connected = std::move(socket);
        return TcpProbe::kAnswers;
      }
      if (FD_ISSET(socket.Get(), &failed)) break;
    }
  }
  return TcpProbe::kRefused;
}
