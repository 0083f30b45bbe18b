// A policy dialog's key and its messages: opening it with one reconnection, reading and
// writing values with their numbered, named or unowned messages, and ending the dialog after a
// failure.
#include "policy/policykey.h"

#include <stdarg.h>
#include <stdio.h>

#include "app/shell.h"
#include "connection/target.h"
#include "resources/resource.h"

namespace {

const char kRegistryCaption[] = "Registry";

// The dialog's messages about one step: "<tag> - WM_INITDIALOG <step>, RegRet=<code>" and
// "... dwType=<type>" (caption ""), "<tag> - WM_COMMAND <step>, RegRet=<code>" and
// "<tag> - WM_COMMAND, <word> RegRet=<code>" (caption "Registry").
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
