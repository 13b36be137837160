#pragma once
// A scripted camera on 127.0.0.1 for the IP client's tests: a thread of its
// own accepts each connection, reads the request header and hands the
// connection to the script, then closes it unless the script keeps it.

#include <windows.h>
#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackCamera {
 public:
  using Clock = std::chrono::steady_clock;
  // Called on the camera's thread with the connection, its number (from 0)
  // and the request text. Returns true to keep the connection open until
  // the camera stops.
  using Script = std::function<bool(SOCKET connection, int index, const std::string& request)>;

  explicit LoopbackCamera(Script script);
  ~LoopbackCamera();
  LoopbackCamera(const LoopbackCamera&) = delete;
  LoopbackCamera& operator=(const LoopbackCamera&) = delete;

  uint16_t Port() const { return port_; }
  int Connections() const { return connections_.load(); }
  std::vector<std::string> Requests() const;
  std::vector<Clock::time_point> AcceptTimes() const;

  static bool SendAll(SOCKET connection, const std::string& bytes);
  static bool SendAll(SOCKET connection, const std::vector<uint8_t>& bytes);
  // Reads and drops what the client sends until it closes its end; false
  // when it is still open after `limit`.
  static bool WaitForClose(SOCKET connection, std::chrono::milliseconds limit);

 private:
  void Run();

  Script script_;
  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::vector<Clock::time_point> acceptTimes_;
  std::vector<SOCKET> kept_;
  std::thread thread_;
};
