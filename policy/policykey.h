// A policy dialog's key and its messages: opening with one reconnection, reads and writes in
// their three wordings (numbered steps, value words, the helpers' unowned messages), and the
// ending of the dialog that every failure leads to.
#ifndef KORVID_POLICYKEY_H
#define KORVID_POLICYKEY_H

#include <windows.h>

#include "policy/model.h"

// Message boxes of the dialogs: one OK button, no icon; the text is cut to 600 characters.
void ShowPolicyMessage(HWND owner, const char *caption, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
// A warning about a stored value or a typed entry: the program title as caption, one OK button.
void ShowPolicyWarning(HWND owner, UINT icon, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
// "<tag> - WM_INITDIALOG <step>, RegRet=<code>" (caption "", owner the dialog).
void ReportReadStatus(HWND dialog, const char *tag, int step, LONG status);
// "<tag> - WM_INITDIALOG <step>, dwType=<type>".
void ReportReadType(HWND dialog, const char *tag, int step, DWORD type);
// The failed writes, caption "Registry": "<tag> - WM_COMMAND <step>, RegRet=<code>",
// "<tag> - WM_COMMAND, <word> RegRet=<code>", and the helpers' unowned
// "<tag> - WM_COMMAND, '<name>', dwRegType=<type>, RegRet=<code>".
void ReportWriteStatus(HWND dialog, const char *tag, int step, LONG status);
void ReportNamedWriteStatus(HWND dialog, const char *tag, const char *word, LONG status);
void ReportHelperWriteStatus(const char *tag, const char *name, DWORD type, LONG status);
// "<tag> - WM_INITDIALOG <word> 1, RegRet=<code>" and "... <word> 2, dwType=<type>", for reads
// that QueryNamedDword does not cover (strings, a value found under one of two names).
void ReportNamedReadStatus(HWND dialog, const char *tag, const char *word, LONG status);
void ReportNamedReadType(HWND dialog, const char *tag, const char *word, DWORD type);

// Ends a dialog and gives the focus back to the Policy page's list.
void EndPolicyDialog(HWND dialog);
// Opens the key for reading at WM_INITDIALOG, reconnecting once. FALSE when the dialog has
// been ended (after the message, or after ReconnectRegistry's own).
BOOL OpenKeyForReading(HWND dialog, const PolicyKey &key, HKEY *handle);
// Opens the key at OK (KEY_WRITE, or KEY_READ | KEY_WRITE), with the wait cursor around the
// first attempt when asked; same reconnect path and ending as above.
BOOL OpenKeyForWriting(HWND dialog, const PolicyKey &key, REGSAM access, BOOL waitCursor,
                       HKEY *handle);
// A read or a write failed: closes the key unflushed and ends the dialog.
void CloseKeyAndEndDialog(HWND dialog, HKEY handle);
// All writes done: flushes and closes the key, and ends the dialog.
void FlushKeyAndEndDialog(HWND dialog, HKEY handle);

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
// Direct query of a string value into kRegStringChars characters, ended after the returned
// bytes; the query's status, and the type found in *type.
LONG QueryRegString(HKEY handle, const char *name, char *text, DWORD *type);

#endif
