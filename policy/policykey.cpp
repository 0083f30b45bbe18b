// A policy dialog's key and its messages: opening it with one reconnection, reading and
// writing values with their numbered, named or unowned messages, and ending the dialog after a
// failure.
#include "policy/policykey.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "app/shell.h"
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
    SetSavedFocus(GetDlgItem(GetMainWindow(), IDC_MAIN_SELECT));
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
        ReportNamedWriteStatus(dialog, key.tag, ValueWord(policy, value), status);
        break;
    case AccessHelpers:
        ReportHelperWriteStatus(key.tag, value.name, value.type, status);
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
    va_list arguments;
    va_start(arguments, format);
    ShowAppBoxV(owner, caption, MB_OK, format, arguments);
    va_end(arguments);
}

void ShowPolicyWarning(HWND owner, UINT icon, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    ShowAppBoxV(owner, GetAppTitle(), MB_OK | icon, format, arguments);
    va_end(arguments);
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
void ReportNamedWriteStatus(HWND dialog, const char *tag, const char *word, LONG status)
{
    ShowPolicyMessage(dialog, kRegistryCaption, "%s - WM_COMMAND, %s RegRet=%d", tag, word,
                      (int)status);
}

void ReportHelperWriteStatus(const char *tag, const char *name, DWORD type, LONG status)
{
    ShowPolicyMessage(NULL, kRegistryCaption, "%s - WM_COMMAND, '%s', dwRegType=%d, RegRet=%d", tag,
                      name, (int)type, (int)status);
}

void ReportNamedReadStatus(HWND dialog, const char *tag, const char *word, LONG status)
{
    ShowPolicyMessage(dialog, "", "%s - WM_INITDIALOG %s 1, RegRet=%d", tag, word, (int)status);
}

void ReportNamedReadType(HWND dialog, const char *tag, const char *word, DWORD type)
{
    ShowPolicyMessage(dialog, "", "%s - WM_INITDIALOG %s 2, dwType=%d", tag, word, (int)type);
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

void CloseKeyAndEndDialog(HWND dialog, HKEY handle)
{
    Net().RegCloseKey(handle);
    EndPolicyDialog(dialog);
}

void FlushKeyAndEndDialog(HWND dialog, HKEY handle)
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
        ReportNamedWriteStatus(dialog, tag, word, status);
    return status == ERROR_SUCCESS;
}

LONG QueryRegString(HKEY handle, const char *name, char *text, DWORD *type)
{
    // Zero-filled: a string stored without its terminator ends after its bytes.
    memset(text, 0, kRegStringChars);
    DWORD size = kRegStringChars;
    LONG status = Net().RegQueryValueExA(handle, name, NULL, type, (BYTE *)text, &size);
    if (status == ERROR_SUCCESS)
        status = EndStringInBuffer(text, kRegStringChars, size, *type);
    if (status != ERROR_SUCCESS)
        text[0] = '\0';
    return status;
}
