#include "net/host_lookup_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <system_error>
#include <thread>

namespace {

LPARAM FirstAddress(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return kHostNotFound;
  LPARAM address = kHostNotFound;
  for (const addrinfo* entry = found; entry && address == kHostNotFound; entry = entry->ai_next)
    if (entry->ai_family == AF_INET && entry->ai_addr)
      address = static_cast<LPARAM>(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(found);
  return address;
}

}  // namespace

WPARAM LookUpHost(std::string host, HWND window, UINT message) {
  static std::atomic<WPARAM> lookups{0};
  const WPARAM number = ++lookups;
  // Detached: a name server that does not answer must not hold up whoever
  // gives up waiting; the thread holds its own WinSock reference.
  try {
    std::thread([host = std::move(host), window, message, number] {
      WSADATA data;
      const bool started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
      const LPARAM address = started ? FirstAddress(host) : kHostNotFound;
      if (started) WSACleanup();
      PostMessageA(window, message, number, address);
    }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the name is as good as unknown.
    PostMessageA(window, message, number, kHostNotFound);
  }
  return number;
}
