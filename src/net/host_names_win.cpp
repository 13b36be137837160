#include "net/host_names_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
// after the socket headers
#include <iphlpapi.h>

std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = sizeof name;
  return GetComputerNameA(name, &length) ? std::string(name, length) : std::string();
}

// The IPv4 addresses of the network adapters that are up, loopback left out.
std::vector<std::string> NetworkAddresses() {
  std::vector<std::string> addresses;
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int tries = 0; tries < 3 && result == ERROR_BUFFER_OVERFLOW; ++tries) {
    buffer.resize(size);
    result = GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                  nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (result != NO_ERROR) return addresses;
  for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter; adapter = adapter->Next) {
    if (adapter->OperStatus != IfOperStatusUp || adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
    for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
      const auto* address = reinterpret_cast<const sockaddr_in*>(unicast->Address.lpSockaddr);
      if (!address || address->sin_family != AF_INET) continue;
      const auto first = static_cast<unsigned char>(address->sin_addr.s_addr & 0xFF);
      char text[INET_ADDRSTRLEN] = {};
      if (first == 127 || !inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) continue;
      addresses.emplace_back(text);
    }
  }
  return addresses;
}
