#include "events/delivery_thread_win.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int64_t kLongestRetryAfterMs = 10 * 60 * 1000;

// Stored texts are in the computer's ANSI code page; what goes out is UTF-8.
std::string AnsiToUtf8(const std::string& text) {
  if (text.empty()) return text;
  const int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring buffer(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), buffer.data(), wide);
  const int size = WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, out.data(), size, nullptr, nullptr);
  return out;
}

std::string Wait(int64_t ms) {
  const int64_t seconds = (ms + 999) / 1000;
  return seconds < 120 ? std::to_string(seconds) + " s" : std::to_string((seconds + 59) / 60) + " min";
}

}  // namespace

DeliveryThread::DeliveryThread(std::string channel, DeliveryListener listener)
    : channel_(std::move(channel)),
      listener_(std::move(listener)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      queue_(&wake_) {}

DeliveryThread::~DeliveryThread() {
  Stop();
}

void DeliveryThread::Start(Deliver deliver) {
  deliver_ = std::move(deliver);
  thread_ = std::thread([this] { Run(); });
}

void DeliveryThread::Stop() {
  SetEvent(stop_.Get());
  if (thread_.joinable()) thread_.join();
}

void DeliveryThread::Report(int camera, bool failed, std::string text) {
  // Alerts the full queue let go while the channel could not deliver.
  const size_t dropped = queue_.Dropped();
  if (dropped > reportedDrops_) text += " (" + std::to_string(dropped - reportedDrops_) + " older alerts were let go)";
  reportedDrops_ = dropped;
  if (listener_) listener_({channel_, camera, failed, channel_ + ": " + text});
}

void DeliveryThread::Run() {
  int failures = 0;
  const HANDLE waits[2] = {stop_.Get(), wake_.Get()};
  for (;;) {
    std::optional<Alert> alert = queue_.Front();
    if (!alert) {
      if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
      continue;
    }
    alert->cameraName = AnsiToUtf8(alert->cameraName);
    alert->detail = AnsiToUtf8(alert->detail);
    const DeliveryResult result = deliver_(*alert);
    if (WaitForSingleObject(stop_.Get(), 0) == WAIT_OBJECT_0) return;
    if (result.outcome == DeliveryOutcome::kRetry) {
      const int64_t delay = std::max(RetryDelayMs(++failures), std::min(result.retryAfterMs, kLongestRetryAfterMs));
      Report(alert->camera, true, result.error + ", next attempt in " + Wait(delay));
      if (WaitForSingleObject(stop_.Get(), static_cast<DWORD>(delay)) != WAIT_TIMEOUT) return;
      continue;
    }
    queue_.Pop();
    if (result.outcome == DeliveryOutcome::kDrop) {
      Report(alert->camera, true, result.error + "; the alert is dropped");
    } else if (failures > 0) {
      Report(alert->camera, false, "delivered again");
    }
    failures = 0;
  }
}
