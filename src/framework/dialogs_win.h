#pragma once
// Objects bound to dialogs built from resource templates. The dialog finds
// its object through its user-data slot from WM_INITDIALOG on.

#include <windows.h>

// Hands a keyboard message to the modeless dialog of this thread whose
// window holds its target, so that Enter, Escape, Tab and mnemonics work
// there as in any dialog. True when the dialog took the message; the loop
// then neither translates nor dispatches it.
bool TranslateModelessKey(MSG& msg);

class ModalDlg {
 public:
  ModalDlg() = default;
  virtual ~ModalDlg() = default;
  ModalDlg(const ModalDlg&) = delete;
  ModalDlg& operator=(const ModalDlg&) = delete;

  // Runs the dialog; the value given to EndDialog (1 for OK, 2 for Cancel
  // by default), -1 when the template cannot be created.
  INT_PTR Run(HWND parent, int templateId);
  HWND Handle() const { return dialog_; }

  // Non-zero: the message is handled, nothing else sees it.
  virtual INT_PTR FilterMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnInitDialog(HWND hwnd);
  // Buttons: OK ends with 1, Cancel with 2; notifications are ignored.
  virtual INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnSysCommand(HWND hwnd, WPARAM wParam, LPARAM lParam);
  // Zero keeps the dialog open.
  virtual INT_PTR OnClose();
  virtual INT_PTR DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 protected:
  HWND dialog_ = nullptr;

 private:
  static INT_PTR CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

class ModelessDlg {
 public:
  ModelessDlg() = default;
  virtual ~ModelessDlg() = default;
  ModelessDlg(const ModelessDlg&) = delete;
  ModelessDlg& operator=(const ModelessDlg&) = delete;

  // Creates the dialog as a top-level window of its own (its parent is the
  // desktop), shown and brought forward when `show` is set. False when the
  // template cannot be created.
  bool Create(HWND owner, int templateId, bool show);
  HWND Handle() const { return dialog_; }
  HWND Owner() const { return owner_; }

  virtual INT_PTR FilterMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnInitDialog(HWND hwnd);
  // OK and Cancel only hide the dialog.
  virtual INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnSysCommand(HWND hwnd, WPARAM wParam, LPARAM lParam);
  // Zero keeps the dialog; otherwise WM_CLOSE destroys it.
  virtual INT_PTR OnClose();
  virtual INT_PTR DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 protected:
  HWND dialog_ = nullptr;
  HWND owner_ = nullptr;

 private:
  static INT_PTR CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};
