// A policy dialog's key and its messages: opening with one reconnection, reads and writes in
// their three wordings (numbered steps, value words, the helpers' unowned messages), and the
// ending of the dialog that every failure leads to.
#ifndef KORVID_POLICYKEY_H
#define KORVID_POLICYKEY_H

#include <windows.h>

#include "model/model.h"

// Message boxes of the dialogs: one OK button, no icon; the text is cut to 600 characters.
void ShowPolicyMessage(HWND owner, const char *caption, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
// A warning about a stored value or a typed entry: the program title as caption, one OK button.
void ShowPolicyWarning(HWND owner, UINT icon, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
// The helpers' unowned failed write, caption "Registry":
// "<tag> - WM_COMMAND, '<name>', dwRegType=<type>, RegRet=<code>".
void ReportHelperWriteStatus(const char *tag, const char *name, DWORD type, LONG status);
// "<tag> - WM_INITDIALOG <word> 1, RegRet=<code>" and "... <word> 2, dwType=<type>", for reads
// of keys that name their values by a word, and the helpers' reads.
void ReportNamedReadStatus(HWND dialog, const char *tag, const char *word, LONG status);
void ReportNamedReadType(HWND dialog, const char *tag, const char *word, DWORD type);

// Ends a dialog and gives the focus back to the Policy page's list.
void EndPolicyDialog(HWND dialog);
// Reads the policy at WM_INITDIALOG below the selected computer's root, for its server role,
// reconnecting once. FALSE when the dialog has been ended after the failure's message (the
// warnings about over-long texts come first, in reading order).
BOOL ReadPolicyForDialog(HWND dialog, const PolicyModel &policy, PolicyRead *read);
// Writes the selected values at OK in the policy's order and ends the dialog, after the message
// of every failed write (or of the key that did not open).
void WritePolicyForDialog(HWND dialog, const PolicyModel &policy, const ValueData *values,
                          ValueSelection selected);

#endif
