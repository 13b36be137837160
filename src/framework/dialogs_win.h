#pragma once
// Objects bound to dialogs built from resource templates, from WM_INITDIALOG
// to WM_NCDESTROY (framework/window_binding_win.h).

#include <windows.h>

// Hands a keyboard message to the modeless dialog of this thread whose
// window holds its target, so that Enter, Escape, Tab and mnemonics work
// there as in any dialog. True when the dialog took the message; the loop
// then neither translates nor dispatches it.
bool TranslateModelessKey(MSG& msg);

// What both dialog kinds share: the binding to the window and the routing
// of its messages to the handlers below.
class DialogBase {
 public:
  DialogBase() = default;
  virtual ~DialogBase() = default;
  DialogBase(const DialogBase&) = delete;
  DialogBase& operator=(const DialogBase&) = delete;

  // The dialog from WM_INITDIALOG until it is destroyed.
  HWND Handle() const { return dialog_; }

  // Non-zero: the message is handled, nothing else sees it.
  virtual INT_PTR FilterMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnInitDialog(HWND hwnd);
  virtual INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) = 0;
  virtual INT_PTR OnSysCommand(HWND hwnd, WPARAM wParam, LPARAM lParam);
  // Zero keeps the dialog open.
  virtual INT_PTR OnClose();
  virtual INT_PTR DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 protected:
  // What WM_CLOSE does once OnClose allowed it.
  virtual void CloseAllowed(HWND hwnd) = 0;
  // The dialogs' window procedure: finds the object and forwards.
  static INT_PTR CALLBACK DispatchToObject(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LPARAM InitParam() { return reinterpret_cast<LPARAM>(this); }

  HWND dialog_ = nullptr;
};

class ModalDlg : public DialogBase {
 public:
  // Runs the dialog; the value given to EndDialog (1 for OK, 2 for Cancel
  // by default), -1 when the template cannot be created.
  INT_PTR Run(HWND parent, int templateId);

  // Buttons: OK ends with 1, Cancel with 2; notifications are ignored.
  INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override;

 protected:
  // Ends the dialog as Cancel does.
  void CloseAllowed(HWND hwnd) override;
};

class ModelessDlg : public DialogBase {
 public:
  // Creates the dialog as a top-level window of its own (its parent is the
  // desktop), shown and brought forward when `show` is set. False when the
  // template cannot be created.
  bool Create(HWND owner, int templateId, bool show);
  HWND Owner() const { return owner_; }

  // OK and Cancel only hide the dialog.
  INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override;

 protected:
  // Destroys the dialog.
  void CloseAllowed(HWND hwnd) override;

  HWND owner_ = nullptr;

 private:
  friend bool TranslateModelessKey(MSG& msg);
  // DispatchToObject under another address, by which the message loops
  // tell a modeless dialog of ours.
  static INT_PTR CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};
