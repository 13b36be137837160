#include "framework/ui_thread_win.h"

#include "framework/dialogs_win.h"

namespace {

// Waits for the object, handling messages sent to this thread meanwhile, so
// a thread that is being waited for can still finish a SendMessage to us.
DWORD WaitHandlingSentMessages(HANDLE object, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    const DWORD result = MsgWaitForMultipleObjects(1, &object, FALSE, left, QS_SENDMESSAGE);
    if (result != WAIT_OBJECT_0 + 1) return result;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

UIthread::~UIthread() {
  Stop();
}

bool UIthread::Start() {
  if (thread_) return true;
  // An unnamed event: a named one would be shared with every other process
  // and thread that starts a thread at the same moment.
  startEvent_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!startEvent_) return false;
  thread_.Reset(CreateThread(nullptr, 0, &UIthread::ThreadProc, this, 0, nullptr));
  if (!thread_) {
    startEvent_.Reset();
    return false;
  }
  // The thread ends without signalling when it cannot create its window.
  const HANDLE waitFor[2] = {startEvent_.Get(), thread_.Get()};
  const DWORD result = WaitForMultipleObjects(2, waitFor, FALSE, INFINITE);
  startEvent_.Reset();
  if (result != WAIT_OBJECT_0) {
    thread_.Reset();
    return false;
  }
  return true;
}

void UIthread::Stop() {
  if (!thread_) return;
  if (HWND window = window_) PostMessageA(window, WM_CLOSE, 0, 0);
  WaitHandlingSentMessages(thread_.Get(), kStopTimeoutMs);
  thread_.Reset();
}

DWORD WINAPI UIthread::ThreadProc(void* object) {
  auto* self = static_cast<UIthread*>(object);
  if (!self->Create()) {
    self->Destroy();
    return 1;
  }
  SetEvent(self->startEvent_.Get());
  self->OnThreadStart();
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (TranslateModelessKey(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  self->OnThreadStop();
  self->Destroy();
  return 0;
}
