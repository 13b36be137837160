#pragma once
// How this computer is reached: its name and its network addresses.

#include <string>
#include <vector>

// The computer's NetBIOS name; empty when Windows does not tell it.
std::string ComputerName();

// The IPv4 addresses of the network adapters that are up, loopback left out,
// as dotted text.
std::vector<std::string> NetworkAddresses();
