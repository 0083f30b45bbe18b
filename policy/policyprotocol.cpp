// The protocol of a policy dialog: the shared commands routed, and for the dialogs of flags and
// number lists the whole of it, opening and OK as steps over the policy's description.
#include "policy/policyprotocol.h"

#include "policy/policykey.h"
#include "resources/resource.h"

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
    DisableOkAndDefaultWithoutAccess(dialog);
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
