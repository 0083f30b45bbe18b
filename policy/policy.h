// The Policy page, the policy table, and the protocol every policy dialog follows.
#ifndef KORVID_POLICY_H
#define KORVID_POLICY_H

#include <windows.h>

#include "app/shell.h"
#include "policy/model.h"

INT_PTR CALLBACK PolicyTabProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------------------------
// The Policy page and its table
// ---------------------------------------------------------------------------------------------

// One policy of the Policy page. The list is sorted, so a row is always found by its text.
struct PolicyEntry {
    int nameId;
    int descriptionId;
    char text[kTextChars];   // the name as loaded when the page opens
    int dialogId;            // Netlogon: set from the server role each time it is opened
    DLGPROC dialogProc;      // null while the policy's dialog is not available
};

PolicyEntry &GetPolicyEntry(int index);
// Index of the first row whose text equals text exactly, or -1.
int FindPolicyByText(const char *text);
// Sets control 1105 of the page to the description (cut to 450 characters).
void ShowPolicyDescription(HWND page, int descriptionId);
// "Properties of", the first word of every policy dialog title.
const char *PropertiesPrefix();
LRESULT CALLBACK PolicyListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------------------------
// Registry value helpers
// ---------------------------------------------------------------------------------------------

// Reads a REG_DWORD (data: DWORD) or REG_SZ (data: kRegStringChars characters) value.
// 1 on success; 0 after its own message (no owner), with data untouched.
int GetKorvidRegValue(const char *tag, HKEY key, const char *name, void *data, DWORD type);
// Writes a REG_DWORD (data: DWORD) or REG_SZ (data: text, at most 4999 characters, written
// without its terminating zero). 1 on success; 0 after its own message (no owner).
int SetKorvidRegValue(const char *tag, HKEY key, const char *name, const void *data, DWORD type);
// The computer name cut to 17 characters and "..." for titles (one static buffer).
const char *GetShortComputerName();
// 1 for 0 or less, else 0: for check boxes that mean the opposite of their value.
int InvertCheck(int value);

// ---------------------------------------------------------------------------------------------
// The policy dialog protocol: shared pieces
// ---------------------------------------------------------------------------------------------

// Message boxes of the dialogs: one OK button, no icon; the text is cut to 600 characters.
void ShowPolicyMessage(HWND owner, const char *caption, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
// "<tag> - WM_INITDIALOG <step>, RegRet=<code>" (caption "", owner the dialog).
void ReportReadStatus(HWND dialog, const char *tag, int step, LONG status);
// "<tag> - WM_INITDIALOG <step>, dwType=<type>".
void ReportReadType(HWND dialog, const char *tag, int step, DWORD type);
// "<tag> - WM_COMMAND <step>, RegRet=<code>" (caption "Registry").
void ReportWriteStatus(HWND dialog, const char *tag, int step, LONG status);

// Ends a dialog and gives the focus back to the Policy page's list.
void EndPolicyDialog(HWND dialog);
// Opens the key for reading at WM_INITDIALOG, reconnecting once. FALSE when the dialog has
// been ended (after the message, or after ReconnectRegistry's own).
BOOL OpenKeyForReading(HWND dialog, const PolicyKey &key, HKEY *handle);
// Opens the key at OK (KEY_WRITE, or KEY_READ | KEY_WRITE), with the wait cursor around the
// first attempt when asked; same reconnect path and ending as above.
BOOL OpenKeyForWriting(HWND dialog, const PolicyKey &key, REGSAM access, BOOL waitCursor,
                       HKEY *handle);
// A read or a write failed: close the key unflushed and end the dialog.
void AbandonPolicyKey(HWND dialog, HKEY handle);
// All writes done: flush, close, end.
void FinishPolicyWrites(HWND dialog, HKEY handle);

// Reads the policy at WM_INITDIALOG below the selected computer's root, for its server role,
// reconnecting once. FALSE when the dialog has been ended after the failure's message (the
// warnings about over-long texts come first, in reading order).
BOOL ReadPolicyForDialog(HWND dialog, const PolicyModel &policy, PolicyRead *read);
// Writes the selected values at OK in the policy's order and ends the dialog, after the message
// of every failed write (or of the key that did not open).
void WritePolicyForDialog(HWND dialog, const PolicyModel &policy, const ValueData *values,
                          ValueSelection selected);

// Direct reads of a REG_DWORD into 4 bytes; FALSE after the step's message (key left open).
BOOL QueryNumberedDword(HWND dialog, const char *tag, HKEY handle, const char *name,
                        int queryStep, int typeStep, DWORD *value);
BOOL QueryNamedDword(HWND dialog, const char *tag, HKEY handle, const char *name,
                     const char *word, DWORD *value);
// Direct writes of a REG_DWORD; FALSE after the step's message (key left open).
BOOL WriteNumberedDword(HWND dialog, const char *tag, HKEY handle, const char *name, int step,
                        DWORD value);
BOOL WriteNamedDword(HWND dialog, const char *tag, HKEY handle, const char *name,
                     const char *word, DWORD value);

// Empties and fills the list, then selects the stored value brought into it.
void FillNumberList(HWND dialog, int controlId, const NumberList &list, DWORD stored);
void SelectListValue(HWND dialog, int controlId, const NumberList &list, DWORD value);
// The selected number, or the default when nothing is selected.
DWORD GetListValue(HWND dialog, int controlId, const NumberList &list);

// Sets the box to the opposite of its state; returns the new state (0 or 1).
int FlipCheck(HWND dialog, int controlId);
int GetCheck(HWND dialog, int controlId);
// "<Properties of> <policy name> - <short computer name>".
void SetPolicyTitle(HWND dialog, UINT nameId);
// Loads string table texts into controls.
struct PolicyText {
    int controlId;
    UINT stringId;
};
void SetPolicyTexts(HWND dialog, const PolicyText *texts, int count);
// OK and Default disabled without write access (the dialog then only shows the values).
void FinishPolicyOpening(HWND dialog);

// ---------------------------------------------------------------------------------------------
// The protocol as a whole, for dialogs whose values are all REG_DWORD flags and numbers
// ---------------------------------------------------------------------------------------------

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

// ---------------------------------------------------------------------------------------------
// Pieces for dialogs with procedures of their own (optional values, strings, typed numbers,
// dependent controls, a second key)
// ---------------------------------------------------------------------------------------------

// The shared commands of a dialog with a procedure of its own. OK writes (accept) and Default
// shows the defaults (restore) only while their buttons are enabled: Enter reaches a read-only
// dialog as a command of its disabled OK. Cancel ends the dialog. Returns 1 (handled).
INT_PTR PressPolicyButton(HWND dialog, int buttonId, void (*accept)(HWND), void (*restore)(HWND));
// The close box: Cancel. Returns 1 (handled).
INT_PTR ClosePolicyDialog(HWND dialog);

// Enables or disables the controls in the given order.
void EnablePolicyControls(HWND dialog, const int *controlIds, int count, BOOL enable);
// Gives a control the focus the way the dialog manager does, so that the default push button
// follows it: Enter presses a focused button, and OK again from a field.
void FocusPolicyControl(HWND dialog, int controlId);
// A warning about a stored value or a typed entry: the program title as caption, one OK button.
void ShowPolicyWarning(HWND owner, UINT icon, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// "<tag> - WM_INITDIALOG <word> 1, RegRet=<code>" and "... <word> 2, dwType=<type>", for reads
// that QueryNamedDword does not cover (strings, a value found under one of two names).
void ReportNamedReadStatus(HWND dialog, const char *tag, const char *word, LONG status);
void ReportNamedReadType(HWND dialog, const char *tag, const char *word, DWORD type);
// Direct query of a string value into kRegStringChars characters, ended after the returned
// bytes; the query's status, and the type found in *type.
LONG QueryRegString(HKEY handle, const char *name, char *text, DWORD *type);

// The number at the start of a field (up to 600 characters): blanks skipped, an optional sign,
// digits up to the first other character; 0 without digits. Saturates instead of overflowing.
long ReadDecimalField(HWND dialog, int controlId);
// ---------------------------------------------------------------------------------------------
// Dialogs with strings, typed fields and dependent controls
// ---------------------------------------------------------------------------------------------

// A typed text refused at OK: "<reason>\nWill put the default back." (caption the program
// title, information icon), then the field shows its default again; the dialog stays open.
void RefuseTypedText(HWND dialog, int controlId, const char *defaultText, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
void SetCheck(HWND dialog, int controlId, BOOL checked);
// The commands every policy dialog shares: Cancel and the close box end the dialog (Handled);
// OK and Default come back as Accept and Restore while their buttons are enabled, and do
// nothing while disabled (Enter reaches a read-only dialog as a command of its disabled OK).
enum PolicyCommand { PolicyCommandNone, PolicyCommandHandled, PolicyCommandAccept, PolicyCommandRestore };
PolicyCommand RoutePolicyCommand(HWND dialog, UINT message, WPARAM wParam);

#endif
