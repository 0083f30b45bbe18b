// The life cycle that every policy dialog shares: opening its key with one reconnection,
// reading and writing values with their numbered or named messages, the lists of numbers,
// the title, and the whole protocol for dialogs made of flags and numbers only.
#include "policy/policy.h"

#include <stdarg.h>
#include <stdio.h>

#include "connection/netcalls.h"
#include "connection/target.h"
#include "resources/resource.h"

namespace {

const char kRegistryCaption[] = "Registry";

// After a lost connection the dialog ends with the focus on the main window's "&Select..."
// button (ReconnectRegistry has shown its own message).
void EndAfterLostConnection(HWND dialog)
{
    EndDialog(dialog, 0);
    // A disabled button cannot take the focus, and this dialog is over: the buttons come
    // back now rather than when the Policy page has seen the dialog end.
    EnableMainButtons(TRUE);
    SetFocus(GetDlgItem(GetMainWindow(), IDC_MAIN_SELECT));
}

// The second failed open: reported with the step of the message being handled.
void ReportOpenFailure(HWND dialog, const PolicyKey &key, BOOL writing, LONG status)
{
    if (!writing)
        ReportReadStatus(dialog, key.tag, 1, status);
    else if (key.access == AccessNumbered)
        ShowPolicyMessage(dialog, kRegistryCaption, "%s - WM_COMMAND 1, Fail to open '%s', RegRet=%d",
                          key.tag, key.path, (int)status);
    else
        ShowPolicyMessage(dialog, kRegistryCaption, "%s - WM_COMMAND, Fail to open '%s', RegRet=%d",
                          key.tag, key.path, (int)status);
}

BOOL OpenKeyOrEnd(HWND dialog, const PolicyKey &key, REGSAM access, BOOL waitCursor,
                  BOOL writing, HKEY *handle)
{
    LONG status;
    RemoteOpen result = OpenRemoteKey(key.path, access, waitCursor, handle, &status);
    if (result == RemoteConnectionLost) {
        EndAfterLostConnection(dialog);
    } else if (result == RemoteKeyRefused) {
        ReportOpenFailure(dialog, key, writing, status);
        EndPolicyDialog(dialog);
    }
    return result == RemoteKeyOpened;
}

// The 4-byte query of the direct dialogs: 0 on success, else the failed query's status, or
// -1 with the type found when the value is not a REG_DWORD.
LONG QueryDword(HKEY handle, const char *name, DWORD *value, DWORD *type)
{
    DWORD data = 0;
    DWORD size = sizeof(data);
    LONG status = Net().RegQueryValueExA(handle, name, NULL, type, (BYTE *)&data, &size);
    if (status != ERROR_SUCCESS)
        return status;
    if (*type != REG_DWORD)
        return -1;
    *value = data;
    return ERROR_SUCCESS;
}

}  // namespace

void ShowPolicyMessage(HWND owner, const char *caption, const char *format, ...)
{
    char text[kTextChars];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    MessageBoxA(owner, text, caption, MB_OK);
}

void ReportReadStatus(HWND dialog, const char *tag, int step, LONG status)
{
    ShowPolicyMessage(dialog, "", "%s - WM_INITDIALOG %d, RegRet=%d", tag, step, (int)status);
}

void ReportReadType(HWND dialog, const char *tag, int step, DWORD type)
{
    ShowPolicyMessage(dialog, "", "%s - WM_INITDIALOG %d, dwType=%d", tag, step, (int)type);
}

void ReportWriteStatus(HWND dialog, const char *tag, int step, LONG status)
{
    ShowPolicyMessage(dialog, kRegistryCaption, "%s - WM_COMMAND %d, RegRet=%d", tag, step,
                      (int)status);
}

void EndPolicyDialog(HWND dialog)
{
    EndDialog(dialog, 0);
    SetFocus(GetPolicyList());
}

BOOL OpenKeyForReading(HWND dialog, const PolicyKey &key, HKEY *handle)
{
    return OpenKeyOrEnd(dialog, key, KEY_READ, FALSE, FALSE, handle);
}

BOOL OpenKeyForWriting(HWND dialog, const PolicyKey &key, REGSAM access, BOOL waitCursor,
                       HKEY *handle)
{
    return OpenKeyOrEnd(dialog, key, access, waitCursor, TRUE, handle);
}

void AbandonPolicyKey(HWND dialog, HKEY handle)
{
    Net().RegCloseKey(handle);
    EndPolicyDialog(dialog);
}

void FinishPolicyWrites(HWND dialog, HKEY handle)
{
    Net().RegFlushKey(handle);
    Net().RegCloseKey(handle);
    EndPolicyDialog(dialog);
}

BOOL QueryNumberedDword(HWND dialog, const char *tag, HKEY handle, const char *name,
                        int queryStep, int typeStep, DWORD *value)
{
    DWORD type = 0;
    LONG status = QueryDword(handle, name, value, &type);
    if (status == -1)
        ReportReadType(dialog, tag, typeStep, type);
    else if (status != ERROR_SUCCESS)
        ReportReadStatus(dialog, tag, queryStep, status);
    return status == ERROR_SUCCESS;
}

BOOL QueryNamedDword(HWND dialog, const char *tag, HKEY handle, const char *name,
                     const char *word, DWORD *value)
{
    DWORD type = 0;
    LONG status = QueryDword(handle, name, value, &type);
    if (status == -1)
        ReportNamedReadType(dialog, tag, word, type);
    else if (status != ERROR_SUCCESS)
        ReportNamedReadStatus(dialog, tag, word, status);
    return status == ERROR_SUCCESS;
}

BOOL WriteNumberedDword(HWND dialog, const char *tag, HKEY handle, const char *name, int step,
                        DWORD value)
{
    LONG status = Net().RegSetValueExA(handle, name, 0, REG_DWORD, (const BYTE *)&value,
                                       sizeof(value));
    if (status != ERROR_SUCCESS)
        ReportWriteStatus(dialog, tag, step, status);
    return status == ERROR_SUCCESS;
}

BOOL WriteNamedDword(HWND dialog, const char *tag, HKEY handle, const char *name,
                     const char *word, DWORD value)
{
    LONG status = Net().RegSetValueExA(handle, name, 0, REG_DWORD, (const BYTE *)&value,
                                       sizeof(value));
    if (status != ERROR_SUCCESS)
        ShowPolicyMessage(dialog, kRegistryCaption, "%s - WM_COMMAND, %s RegRet=%d", tag, word,
                          (int)status);
    return status == ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------------------------
// Lists of numbers
// ---------------------------------------------------------------------------------------------

static int ListIndex(const NumberList &list, DWORD value)
{
    return (int)((BringIntoList(list, value) - list.lower) / list.step);
}

void FillNumberList(HWND dialog, int controlId, const NumberList &list, DWORD stored)
{
    HWND combo = GetDlgItem(dialog, controlId);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (DWORD value = list.lower; value <= list.upper; value += list.step) {
        char number[16];
        snprintf(number, sizeof(number), "%d", (int)value);
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)number);
    }
    SelectListValue(dialog, controlId, list, stored);
}

void SelectListValue(HWND dialog, int controlId, const NumberList &list, DWORD value)
{
    SendDlgItemMessageA(dialog, controlId, CB_SETCURSEL, ListIndex(list, value), 0);
}

DWORD GetListValue(HWND dialog, int controlId, const NumberList &list)
{
    LRESULT index = SendDlgItemMessageA(dialog, controlId, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return list.defaultValue;
    return BringIntoList(list, list.lower + (DWORD)index * list.step);
}

// ---------------------------------------------------------------------------------------------
// Controls, texts and title
// ---------------------------------------------------------------------------------------------

int GetCheck(HWND dialog, int controlId)
{
    return IsDlgButtonChecked(dialog, controlId) == BST_CHECKED ? 1 : 0;
}

int FlipCheck(HWND dialog, int controlId)
{
    int checked = !GetCheck(dialog, controlId);
    CheckDlgButton(dialog, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
    return checked;
}

void SetPolicyTitle(HWND dialog, UINT nameId)
{
    char name[kTextChars];
    char title[kTextChars];
    LoadAppString(nameId, name);
    snprintf(title, sizeof(title), "%s %s - %s", PropertiesPrefix(), name, GetShortComputerName());
    SetWindowTextA(dialog, title);
}

void SetPolicyTexts(HWND dialog, const PolicyText *texts, int count)
{
    char text[kTextChars];
    for (int i = 0; i < count; ++i) {
        LoadAppString(texts[i].stringId, text);
        SetDlgItemTextA(dialog, texts[i].controlId, text);
    }
}

void FinishPolicyOpening(HWND dialog)
{
    if (!GetWriteAccess()) {
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_DEFAULT), FALSE);
    }
}

// ---------------------------------------------------------------------------------------------
// The whole protocol for dialogs of REG_DWORD flags and numbers
// ---------------------------------------------------------------------------------------------

namespace {

// At opening a numbered dialog gives each value two steps: a failed query, then a wrong type.
int QueryStep(int position) { return 2 + 2 * position; }
int WriteStep(int position) { return 2 + position; }

BOOL ReadValues(const PolicyDialogSpec &table, HWND dialog, HKEY handle, DWORD *values)
{
    for (int i = 0; i < table.valueCount; ++i) {
        const char *name = table.values[i].name;
        BOOL read = table.key.access == AccessHelpers
            ? GetKorvidRegValue(table.key.tag, handle, name, &values[i], REG_DWORD)
            : QueryNumberedDword(dialog, table.key.tag, handle, name, QueryStep(i),
                                 QueryStep(i) + 1, &values[i]);
        if (!read)
            return FALSE;
    }
    return TRUE;
}

void ShowValue(HWND dialog, const PolicyValue &value, DWORD data)
{
    switch (value.shownAs) {
    case ShownAsCheck:
        CheckDlgButton(dialog, value.controlId, data != 0 ? BST_CHECKED : BST_UNCHECKED);
        break;
    case ShownAsInvertedCheck:
        // Reduced first: a flag above 0x7FFFFFFF must not read as negative.
        CheckDlgButton(dialog, value.controlId,
                       InvertCheck(data != 0 ? 1 : 0) ? BST_CHECKED : BST_UNCHECKED);
        break;
    case ShownAsNumberList:
        FillNumberList(dialog, value.controlId, value.range, data);
        break;
    }
}

DWORD CollectValue(HWND dialog, const PolicyValue &value)
{
    switch (value.shownAs) {
    case ShownAsCheck:
        return GetCheck(dialog, value.controlId);
    case ShownAsInvertedCheck:
        return InvertCheck(GetCheck(dialog, value.controlId));
    case ShownAsNumberList:
        return GetListValue(dialog, value.controlId, value.range);
    }
    return 0;
}

void ShowDependents(const PolicyDialogSpec &table, HWND dialog)
{
    if (table.showDependents)
        table.showDependents(dialog);
}

void OpenPolicyDialog(const PolicyDialogSpec &table, HWND dialog)
{
    HKEY handle;
    DWORD values[kMaxPolicyValues] = {};
    // A table longer than the values kept here is a fault of the dialog: it opens nothing
    // rather than read past them.
    if (table.valueCount < 0 || table.valueCount > kMaxPolicyValues) {
        EndPolicyDialog(dialog);
        return;
    }
    if (!OpenKeyForReading(dialog, table.key, &handle))
        return;
    if (!ReadValues(table, dialog, handle, values)) {
        AbandonPolicyKey(dialog, handle);
        return;
    }
    Net().RegCloseKey(handle);
    for (int i = 0; i < table.valueCount; ++i)
        ShowValue(dialog, table.values[i], values[i]);
    SetPolicyTexts(dialog, table.texts, table.textCount);
    SetPolicyTitle(dialog, table.nameId);
    FinishPolicyOpening(dialog);
    ShowDependents(table, dialog);
    UpdateWindow(dialog);
    FocusPolicyControl(dialog, IDCANCEL);
}

void ShowDefaults(const PolicyDialogSpec &table, HWND dialog)
{
    for (int i = 0; i < table.valueCount; ++i) {
        const PolicyValue &value = table.values[i];
        if (value.shownAs == ShownAsNumberList)
            SelectListValue(dialog, value.controlId, value.range, value.range.defaultValue);
        else
            ShowValue(dialog, value, value.range.defaultValue);
    }
    ShowDependents(table, dialog);
}

void WritePolicyValues(const PolicyDialogSpec &table, HWND dialog)
{
    DWORD values[kMaxPolicyValues];
    for (int i = 0; i < table.valueCount; ++i)
        values[i] = CollectValue(dialog, table.values[i]);
    HKEY handle;
    if (!OpenKeyForWriting(dialog, table.key, KEY_WRITE, TRUE, &handle))
        return;
    for (int position = 0; position < table.valueCount; ++position) {
        int i = table.writeOrder ? table.writeOrder[position] : position;
        const char *name = table.values[i].name;
        BOOL written = table.key.access == AccessHelpers
            ? SetKorvidRegValue(table.key.tag, handle, name, &values[i], REG_DWORD)
            : WriteNumberedDword(dialog, table.key.tag, handle, name, WriteStep(position),
                                 values[i]);
        if (!written) {
            AbandonPolicyKey(dialog, handle);
            return;
        }
    }
    FinishPolicyWrites(dialog, handle);
}

const PolicyValue *FindCheckBox(const PolicyDialogSpec &table, int controlId)
{
    for (int i = 0; i < table.valueCount; ++i)
        if (table.values[i].controlId == controlId && table.values[i].shownAs != ShownAsNumberList)
            return &table.values[i];
    return NULL;
}

// A command of a disabled button (Enter reaching a read-only dialog) does nothing.
BOOL ButtonEnabled(HWND dialog, int controlId)
{
    return IsWindowEnabled(GetDlgItem(dialog, controlId));
}

}  // namespace

PolicyCommand RoutePolicyCommand(HWND dialog, UINT message, WPARAM wParam)
{
    if (message == WM_CLOSE) {
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return PolicyCommandHandled;
    }
    if (message != WM_COMMAND)
        return PolicyCommandNone;
    switch (LOWORD(wParam)) {
    case IDOK:
        return ButtonEnabled(dialog, IDOK) ? PolicyCommandAccept : PolicyCommandHandled;
    case IDCANCEL:
        EndPolicyDialog(dialog);
        return PolicyCommandHandled;
    case IDC_DEFAULT:
        return ButtonEnabled(dialog, IDC_DEFAULT) ? PolicyCommandRestore : PolicyCommandHandled;
    }
    return PolicyCommandNone;
}

INT_PTR HandlePolicyDialog(const PolicyDialogSpec &table, HWND dialog, UINT message,
                           WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        OpenPolicyDialog(table, dialog);
        return 0;
    }
    switch (RoutePolicyCommand(dialog, message, wParam)) {
    case PolicyCommandAccept:
        WritePolicyValues(table, dialog);
        return 1;
    case PolicyCommandRestore:
        ShowDefaults(table, dialog);
        return 1;
    case PolicyCommandHandled:
        return 1;
    case PolicyCommandNone:
        break;
    }
    if (message == WM_COMMAND && FindCheckBox(table, LOWORD(wParam))) {
        FlipCheck(dialog, LOWORD(wParam));
        ShowDependents(table, dialog);
        return 1;
    }
    return 0;
}
