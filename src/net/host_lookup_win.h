#pragma once
// Resolves a host name without blocking the asking thread's messages: the
// name is looked up on a short-lived thread of its own, and the outcome is
// posted to a window by value (wParam the lookup's number, lParam the first
// IPv4 address in network order, or kHostNotFound). A window that has gone
// meanwhile simply gets nothing.

#include <windows.h>

#include <cstdint>
#include <string>

inline constexpr LPARAM kHostNotFound = -1;

// The lookup's number, unique in the process, so that an answer to an
// earlier lookup is told apart.
WPARAM LookUpHost(std::string host, HWND window, UINT message);
