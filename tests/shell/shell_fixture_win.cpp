#include "shell_fixture_win.h"

namespace {
DialogScript* running = nullptr;
}

DialogScript::DialogScript(std::vector<std::function<bool()>> steps) : steps_(std::move(steps)) {
  running = this;
  timer_ = SetTimer(nullptr, 0, 20, &DialogScript::Tick);
}

DialogScript::~DialogScript() {
  KillTimer(nullptr, timer_);
  running = nullptr;
}

void CALLBACK DialogScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
  DialogScript* script = running;
  if (!script || script->Finished()) return;
  if (script->steps_[script->next_]()) ++script->next_;
}
