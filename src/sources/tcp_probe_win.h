#pragma once
// Whether a TCP port answers, told at once. FFmpeg's connect waits on
// Windows until its timeout when the port refuses (select reports a failed
// connect only among the exceptions, which FFmpeg does not ask for), so the
// RTSP reader asks first, or connects itself.

#include <cstdint>
#include <functional>

#include "common/scoped_handle_win.h"

enum class TcpProbe { kAnswers, kRefused, kUnresolved, kInterrupted };

// Connects to host:port and closes again; interrupted() is asked every
// 100 ms while the connection is pending.
TcpProbe ProbeTcp(const char* host, int port, const std::function<bool()>& interrupted);
// The same, keeping the connection: on kAnswers, connected holds the
// connected socket, in non-blocking mode.
TcpProbe ConnectTcp(const char* host, int port, const std::function<bool()>& interrupted, ScopedSocket& connected);
