#pragma once
// A modal settings dialog whose own OK button applies and whose own Cancel
// button, Enter and Escape all cancel, so Enter never applies by accident.

#include <windows.h>

#include "framework/dialogs_win.h"

class ApplyDlg : public ModalDlg {
 public:
  ApplyDlg(int okButton, int cancelButton) : okButton_(okButton), cancelButton_(cancelButton) {}

  // The OK button ends the dialog with 1 once Apply agrees; everything
  // that cancels ends it with 2.
  INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override;

 protected:
  // Takes the input; false keeps the dialog open (having said why).
  virtual bool Apply(HWND hwnd) = 0;

 private:
  int okButton_;
  int cancelButton_;
};
