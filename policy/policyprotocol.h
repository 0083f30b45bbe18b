// The protocol of a policy dialog: routing of the shared commands, opening and OK as steps, and
// the whole protocol for dialogs made of REG_DWORD flags and number lists only.
#ifndef KORVID_POLICYPROTOCOL_H
#define KORVID_POLICYPROTOCOL_H

#include <windows.h>

#include "model/model.h"
#include "policy/policycontrols.h"

// A dialog of check boxes (flags, inverted flags) and number lists, one control per value.
struct PolicyDialogSpec {
    const PolicyModel *policy;
    const int *controlIds;         // indexed as the policy's values
    const PolicyText *texts;
    int textCount;
    void (*showDependents)(HWND dialog);  // after opening, every click and Default; or null
};

INT_PTR HandlePolicyDialog(const PolicyDialogSpec &table, HWND dialog, UINT message,
                           WPARAM wParam, LPARAM lParam);

// The commands every policy dialog shares: Cancel and the close box end the dialog (Handled);
// OK and Default come back as Accept and Restore while their buttons are enabled, and do
// nothing while disabled (Enter reaches a read-only dialog as a command of its disabled OK).
enum PolicyCommand { PolicyCommandNone, PolicyCommandHandled, PolicyCommandAccept, PolicyCommandRestore };
PolicyCommand RoutePolicyCommand(HWND dialog, UINT message, WPARAM wParam);

// The shared commands of a dialog with a procedure of its own. OK writes (accept) and Default
// shows the defaults (restore) only while their buttons are enabled. Cancel ends the dialog.
// Returns 1 (handled).
INT_PTR PressPolicyButton(HWND dialog, int buttonId, void (*accept)(HWND), void (*restore)(HWND));
// The close box: Cancel. Returns 1 (handled).
INT_PTR ClosePolicyDialog(HWND dialog);

#endif
