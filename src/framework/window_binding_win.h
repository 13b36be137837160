#pragma once
// How every window of the framework finds the object that serves it. The
// object's address comes with the message that begins the window's life
// (WM_NCCREATE's creation parameter for windows, WM_INITDIALOG's lParam for
// dialogs and tab pages), stays in the window's user-data slot, and is
// cleared at WM_NCDESTROY, the last message a window receives. Each kind of
// window has one static procedure that asks BoundObject for its object and
// forwards; there is no map from windows to objects. Controls taken over
// from a dialog go through SubclassedControl instead: their user data is
// not ours to use.

#include <windows.h>

// The object bound to window, binding it when message is `binding` (WM_NCCREATE
// or WM_INITDIALOG); at WM_NCDESTROY the object once more, now unbound, so
// that the procedure can tell it. Null before the binding message.
void* BoundObjectOf(HWND window, UINT binding, UINT message, LPARAM lParam);

template <typename Object>
Object* BoundObject(HWND window, UINT binding, UINT message, LPARAM lParam) {
  return static_cast<Object*>(BoundObjectOf(window, binding, message, lParam));
}

// Binds a living window to another object, or to none: for windows that
// serve one object after another.
void Rebind(HWND window, void* object);
