#pragma once
// The thread an alert channel delivers on: it waits for its queue's wake-up
// or its stop event, hands the oldest alert to the channel, and waits the
// back-off before it tries a failed one again. Failures and the recovery
// after them go to the listener as "<Channel>: <why>, next attempt in 20 s".

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

#include "common/scoped_handle_win.h"
#include "engine/frame_slot.h"
#include "events/alert_queue.h"
#include "events/delivery_outcome.h"

class DeliveryThread {
 public:
  // Runs on the thread, for one alert; its waits end when StopEvent is set.
  using Deliver = std::function<DeliveryResult(const Alert& alert)>;

  DeliveryThread(std::string channel, DeliveryListener listener);
  // Stops and joins.
  ~DeliveryThread();
  DeliveryThread(const DeliveryThread&) = delete;
  DeliveryThread& operator=(const DeliveryThread&) = delete;

  // Set until the thread ends: a NetStream made with it gives up at once.
  HANDLE StopEvent() const { return stop_.Get(); }
  void Start(Deliver deliver);
  // Queues a copy; never waits for the thread.
  void Push(const Alert& alert) { queue_.Push(alert); }
  void Stop();

 private:
  class EventWake : public Wakeable {
   public:
    EventWake() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    void Wake() override { SetEvent(event_.Get()); }
    HANDLE Get() const { return event_.Get(); }

   private:
    ScopedKernelHandle event_;
  };

  void Run();
  void Report(int camera, bool failed, std::string text);

  std::string channel_;
  DeliveryListener listener_;
  Deliver deliver_;
  ScopedKernelHandle stop_;
  EventWake wake_;
  AlertQueue queue_;
  size_t reportedDrops_ = 0;  // of queue_.Dropped(), on the thread
  std::thread thread_;
};
