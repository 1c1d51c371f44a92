// Drives a modal dialog the way a user would, from a second thread, while
// the test's own thread (the host's GUI thread) sits in the call that runs
// the dialog. Every control message is sent across threads, so each step
// has been handled when the helper returns.
#ifndef CHIMORA_DIALOG_DRIVER_H
#define CHIMORA_DIALOG_DRIVER_H

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

// Runs run() on this thread and drive(dialog) on a second thread once a
// visible dialog owned by owner has appeared on this thread. A dialog that
// the driver leaves open counts as a failure and is cancelled. Returns
// run()'s result.
int RunWithDialog(HWND owner, const std::function<int()>& run,
                  const std::function<void(HWND dialog)>& drive);

// The visible dialog window (class #32770) owned by owner on the given
// thread, waited for up to five seconds; null when none appears.
HWND WaitForDialog(DWORD thread, HWND owner);

// True once window is gone, waited for up to five seconds.
bool WaitUntilClosed(HWND window);

// From the driver's thread: has the dialog's loop run call on the host's
// thread (through a host timer on host), as a host's own messages are run
// while the dialog is open, and waits for it. False when it did not run
// within ten seconds.
bool CallFromTheDialogLoop(HWND host, const std::function<void()>& call);

// A user's inputs.
void Click(HWND dialog, int id);              // a mouse click on a button
void PostClick(HWND dialog, int id);          // the same, for a button that opens a modal window
void Type(HWND dialog, int id, const std::string& text);  // keystrokes into an edit
void ClearEdit(HWND dialog, int id);          // select all, then Backspace
void PressEscape(HWND dialog);                // Esc, on the control with the focus
void PressF1(HWND dialog, int id);            // F1 while the control has the focus
void CloseBox(HWND dialog);                   // the caption's close button
void ChooseListItem(HWND dialog, int id, const std::string& label);  // keyboard in a drop-down list

// What the user sees.
std::set<int> EnabledControls(HWND dialog, const std::vector<int>& ids);
std::set<int> CheckedButtons(HWND dialog, const std::vector<int>& ids);
std::vector<std::string> ListItems(HWND dialog, int id);
std::string ListSelection(HWND dialog, int id);  // "" when nothing is selected
std::string WindowText(HWND window);

#endif
