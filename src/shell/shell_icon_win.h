#pragma once
// The camera program's icon resource, on its windows and in the tray.

inline constexpr int kShellIcon = 199;
