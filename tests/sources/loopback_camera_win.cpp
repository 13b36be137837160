#include "sources/loopback_camera_win.h"

LoopbackCamera::LoopbackCamera(Script script) : script_(std::move(script)) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(listener_, 8);
  int length = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
}

LoopbackCamera::~LoopbackCamera() {
  stop_ = true;
  thread_.join();
  for (SOCKET s : kept_) closesocket(s);
  closesocket(listener_);
  WSACleanup();
}

std::vector<std::string> LoopbackCamera::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

std::vector<LoopbackCamera::Clock::time_point> LoopbackCamera::AcceptTimes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return acceptTimes_;
}

bool LoopbackCamera::SendAll(SOCKET connection, const std::string& bytes) {
  size_t at = 0;
  while (at < bytes.size()) {
    int n = send(connection, bytes.data() + at, static_cast<int>(bytes.size() - at), 0);
    if (n <= 0) return false;
    at += static_cast<size_t>(n);
  }
  return true;
}

bool LoopbackCamera::SendAll(SOCKET connection, const std::vector<uint8_t>& bytes) {
  return SendAll(connection, std::string(bytes.begin(), bytes.end()));
}

bool LoopbackCamera::WaitForClose(SOCKET connection, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (Clock::now() < deadline) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(connection, &readable);
    timeval step{0, 20000};
    if (select(0, &readable, nullptr, nullptr, &step) <= 0) continue;
    char chunk[1024];
    if (recv(connection, chunk, sizeof chunk, 0) <= 0) return true;
  }
  return false;
}

void LoopbackCamera::Run() {
  while (!stop_) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(listener_, &set);
    timeval wait{0, 20000};
    if (select(0, &set, nullptr, nullptr, &wait) <= 0) continue;
    SOCKET connection = accept(listener_, nullptr, nullptr);
    if (connection == INVALID_SOCKET) continue;
    int index = connections_.load();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      acceptTimes_.push_back(Clock::now());
    }
    std::string request;
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (request.find("\r\n\r\n") == std::string::npos && Clock::now() < deadline && !stop_) {
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(connection, &readable);
      timeval step{0, 20000};
      if (select(0, &readable, nullptr, nullptr, &step) <= 0) continue;
      char chunk[1024];
      int n = recv(connection, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      request.append(chunk, static_cast<size_t>(n));
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    connections_ = index + 1;
    if (script_(connection, index, request)) {
      kept_.push_back(connection);
    } else {
      shutdown(connection, SD_SEND);
      closesocket(connection);
    }
  }
}
