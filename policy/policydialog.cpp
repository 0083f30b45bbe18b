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

// The dialogs open their keys below the selected computer's root, reconnecting once.
struct DialogOpening {
    RemoteOpen result;
};

LONG OpenKeyReconnecting(void *context, const PolicyKey &key, int keyIndex, REGSAM access,
                         BOOL writing, HKEY *handle)
{
    DialogOpening *opening = static_cast<DialogOpening *>(context);
    LONG status;
    // The wait cursor shows while OK opens the policy's first key.
    opening->result = OpenRemoteKey(key.path, access, writing && keyIndex == 0, handle, &status);
    return status;
}

PolicyTarget DialogTarget(DialogOpening *opening)
{
    opening->result = RemoteKeyOpened;
    return PolicyTarget{ GetRemoteRoot(), GetServerRole(), Target().computerName,
                         OpenKeyReconnecting, opening };
}

// A key that did not open: the dialog ends after the message (ReconnectRegistry has shown its
// own when the connection is lost).
void ReportOpenFault(HWND dialog, const PolicyKey &key, BOOL writing, RemoteOpen result,
                     LONG status)
{
    if (result == RemoteConnectionLost) {
        EndAfterLostConnection(dialog);
        return;
    }
    ReportOpenFailure(dialog, key, writing, status);
    EndPolicyDialog(dialog);
}

void ReportReadFault(HWND dialog, const PolicyModel &policy, const PolicyFault &fault)
{
    const ValueModel &value = policy.values[fault.value];
    const PolicyKey &key = policy.keys[value.key];
    const char *word = ValueWord(policy, value);
    BOOL query = fault.failure == FailureQuery;
    switch (key.access) {
    case AccessNumbered:
        if (query)
            ReportReadStatus(dialog, key.tag, value.steps.readStep, fault.status);
        else
            ReportReadType(dialog, key.tag, value.steps.typeStep, fault.type);
        break;
    case AccessNamed:
        if (query)
            ReportNamedReadStatus(dialog, key.tag, word, fault.status);
        else
            ReportNamedReadType(dialog, key.tag, word, fault.type);
        break;
    case AccessHelpers:
        // The helpers' messages have no owner.
        if (query)
            ReportNamedReadStatus(NULL, key.tag, word, fault.status);
        else
            ReportNamedReadType(NULL, key.tag, word, fault.type);
        break;
    }
}

void ReportWriteFault(HWND dialog, const PolicyModel &policy, int index, LONG status)
{
    const ValueModel &value = policy.values[index];
    const PolicyKey &key = policy.keys[value.key];
    switch (key.access) {
    case AccessNumbered:
        ReportWriteStatus(dialog, key.tag, value.steps.writeStep, status);
        break;
    case AccessNamed:
        ShowPolicyMessage(dialog, kRegistryCaption, "%s - WM_COMMAND, %s RegRet=%d", key.tag,
                          ValueWord(policy, value), (int)status);
        break;
    case AccessHelpers:
        ShowPolicyMessage(NULL, kRegistryCaption, "%s - WM_COMMAND, '%s', dwRegType=%d, RegRet=%d",
                          key.tag, value.name, (int)value.type, (int)status);
        break;
    }
}

// The warnings about over-long stored texts, in reading order, up to the value that failed.
void WarnOfLongTexts(HWND dialog, const PolicyModel &policy, const PolicyRead &read)
{
    for (int i = 0; i < policy.valueCount; ++i) {
        const ValueModel &value = policy.values[i];
        const StoredValue &stored = read.values[i];
        if (stored.queried && value.warning && IsTextTooLong(value, stored.data.text))
            ShowPolicyWarning(dialog, MB_ICONHAND, value.warning, value.limit, value.limit);
        if (i == read.fault.value)
            break;
    }
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

BOOL ReadPolicyForDialog(HWND dialog, const PolicyModel &policy, PolicyRead *read)
{
    DialogOpening opening;
    BOOL clean = ReadPolicy(policy, DialogTarget(&opening), ReadUntilFailure, read);
    const PolicyFault &fault = read->fault;
    if (fault.failure == FailureOpen) {
        ReportOpenFault(dialog, policy.keys[fault.key], FALSE, opening.result, fault.status);
        return FALSE;
    }
    WarnOfLongTexts(dialog, policy, *read);
    if (!clean) {
        ReportReadFault(dialog, policy, fault);
        EndPolicyDialog(dialog);
    }
    return clean;
}

void WritePolicyForDialog(HWND dialog, const PolicyModel &policy, const ValueData *values,
                          ValueSelection selected)
{
    DialogOpening opening;
    PolicyWrite write;
    WritePolicy(policy, DialogTarget(&opening), values, selected, &write);
    for (int key = 0; key < policy.keyCount; ++key) {
        for (int position = 0; position < policy.valueCount; ++position) {
            int i = policy.writeOrder ? policy.writeOrder[position] : position;
            if (policy.values[i].key == key && write.attempted[i] &&
                write.statuses[i] != ERROR_SUCCESS)
                ReportWriteFault(dialog, policy, i, write.statuses[i]);
        }
    }
    if (write.fault.failure == FailureOpen) {
        ReportOpenFault(dialog, policy.keys[write.fault.key], TRUE, opening.result,
                        write.fault.status);
        return;
    }
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

void ShowValue(HWND dialog, const ValueModel &value, int controlId, DWORD shown)
{
    switch (value.rule) {
    case RuleInvertedFlag:
        CheckDlgButton(dialog, controlId, InvertCheck((int)shown) ? BST_CHECKED : BST_UNCHECKED);
        break;
    case RuleNumberList:
        SelectListValue(dialog, controlId, value.range, shown);
        break;
    default:
        CheckDlgButton(dialog, controlId, shown != 0 ? BST_CHECKED : BST_UNCHECKED);
        break;
    }
}

DWORD CollectValue(HWND dialog, const ValueModel &value, int controlId)
{
    switch (value.rule) {
    case RuleInvertedFlag:
        return InvertCheck(GetCheck(dialog, controlId));
    case RuleNumberList:
        return GetListValue(dialog, controlId, value.range);
    default:
        return GetCheck(dialog, controlId);
    }
}

void ShowDependents(const PolicyDialogSpec &table, HWND dialog)
{
    if (table.showDependents)
        table.showDependents(dialog);
}

void OpenPolicyDialog(const PolicyDialogSpec &table, HWND dialog)
{
    const PolicyModel &policy = *table.policy;
    PolicyRead read;
    if (!ReadPolicyForDialog(dialog, policy, &read))
        return;
    for (int i = 0; i < policy.valueCount; ++i) {
        const ValueModel &value = policy.values[i];
        if (value.rule == RuleNumberList)
            FillNumberList(dialog, table.controlIds[i], value.range, read.values[i].data.number);
        else
            ShowValue(dialog, value, table.controlIds[i], ShownNumber(value, read.values[i]));
    }
    SetPolicyTexts(dialog, table.texts, table.textCount);
    SetPolicyTitle(dialog, policy.nameId);
    FinishPolicyOpening(dialog);
    ShowDependents(table, dialog);
    UpdateWindow(dialog);
    FocusPolicyControl(dialog, IDCANCEL);
}

void ShowDefaults(const PolicyDialogSpec &table, HWND dialog)
{
    const PolicyModel &policy = *table.policy;
    for (int i = 0; i < policy.valueCount; ++i)
        ShowValue(dialog, policy.values[i], table.controlIds[i],
                  policy.values[i].range.defaultValue);
    ShowDependents(table, dialog);
}

void WritePolicyValues(const PolicyDialogSpec &table, HWND dialog)
{
    const PolicyModel &policy = *table.policy;
    ValueData values[kMaxPolicyValues];
    for (int i = 0; i < policy.valueCount; ++i)
        values[i].number = CollectValue(dialog, policy.values[i], table.controlIds[i]);
    WritePolicyForDialog(dialog, policy, values, kEveryValue);
}

BOOL IsCheckBoxOf(const PolicyDialogSpec &table, int controlId)
{
    for (int i = 0; i < table.policy->valueCount; ++i)
        if (table.controlIds[i] == controlId && table.policy->values[i].rule != RuleNumberList)
            return TRUE;
    return FALSE;
}

// A command of a disabled button (Enter reaching a read-only dialog) does nothing.
BOOL IsPolicyButtonEnabled(HWND dialog, int controlId)
{
    return IsWindowEnabled(GetDlgItem(dialog, controlId));
}

}  // namespace

INT_PTR PressPolicyButton(HWND dialog, int buttonId, void (*accept)(HWND), void (*restore)(HWND))
{
    switch (buttonId) {
    case IDOK:
        if (IsPolicyButtonEnabled(dialog, IDOK))
            accept(dialog);
        break;
    case IDCANCEL:
        EndPolicyDialog(dialog);
        break;
    case IDC_DEFAULT:
        if (IsPolicyButtonEnabled(dialog, IDC_DEFAULT))
            restore(dialog);
        break;
    }
    return 1;
}

INT_PTR ClosePolicyDialog(HWND dialog)
{
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return 1;
}

PolicyCommand RoutePolicyCommand(HWND dialog, UINT message, WPARAM wParam)
{
    if (message == WM_CLOSE) {
        ClosePolicyDialog(dialog);
        return PolicyCommandHandled;
    }
    if (message != WM_COMMAND)
        return PolicyCommandNone;
    switch (LOWORD(wParam)) {
    case IDOK:
        return IsPolicyButtonEnabled(dialog, IDOK) ? PolicyCommandAccept : PolicyCommandHandled;
    case IDCANCEL:
        EndPolicyDialog(dialog);
        return PolicyCommandHandled;
    case IDC_DEFAULT:
        return IsPolicyButtonEnabled(dialog, IDC_DEFAULT) ? PolicyCommandRestore
                                                           : PolicyCommandHandled;
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
    if (message == WM_COMMAND && IsCheckBoxOf(table, LOWORD(wParam))) {
        FlipCheck(dialog, LOWORD(wParam));
        ShowDependents(table, dialog);
        return 1;
    }
    return 0;
}
