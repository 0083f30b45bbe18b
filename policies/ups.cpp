// UPS Service: whether a power failure is announced to a user or group, with which text and how
// often.
#include "policies/policies.h"

#include "policy/policy.h"
#include "resources/resource.h"

namespace {

// The description's values, in its order.
enum { kIgnore, kRecipient, kMessage, kInterval };

const PolicyText kTexts[] = {
    { IDC_UPS_SEND, IDS_UPS_SEND },
    { IDC_UPS_TEXT, IDS_UPS_TEXT },
    { IDC_UPS_RECIPIENT_GROUP, IDS_UPS_RECIPIENT_GROUP },
    { IDC_UPS_RECIPIENT_LABEL, IDS_UPS_RECIPIENT_LABEL },
    { IDC_UPS_MESSAGE_GROUP, IDS_UPS_MESSAGE_GROUP },
    { IDC_UPS_MESSAGE_LABEL, IDS_UPS_MESSAGE_LABEL },
    { IDC_UPS_INTERVAL_LABEL, IDS_UPS_INTERVAL_LABEL },
};

// Everything about the message means nothing while no message is sent.
const int kPowerFailControls[] = {
    IDC_UPS_RECIPIENT_GROUP, IDC_UPS_RECIPIENT_LABEL, IDC_UPS_RECIPIENT, IDC_UPS_MESSAGE_GROUP,
    IDC_UPS_MESSAGE_LABEL, IDC_UPS_MESSAGE, IDC_UPS_INTERVAL_LABEL, IDC_UPS_INTERVAL,
};

const ValueModel &PowerFailValue(int index)
{
    return kUpsPolicy.values[index];
}

void EnablePowerFailControls(HWND dialog, DWORD ignore)
{
    EnablePolicyControls(dialog, kPowerFailControls, ARRAYSIZE(kPowerFailControls), ignore != 1);
    if (ignore != 1) {
        FocusPolicyControl(dialog, IDC_UPS_RECIPIENT);
        SendDlgItemMessageA(dialog, IDC_UPS_RECIPIENT, EM_SETSEL, 0, -1);
    }
}

// The box, the two texts and the list, from values as stored or as defaults.
void ShowPowerFailSettings(HWND dialog, const ValueData *values)
{
    CheckDlgButton(dialog, IDC_UPS_SEND, InvertCheck((int)values[kIgnore].number) ? BST_CHECKED
                                                                                 : BST_UNCHECKED);
    SetDlgItemTextA(dialog, IDC_UPS_RECIPIENT, values[kRecipient].text);
    SetDlgItemTextA(dialog, IDC_UPS_MESSAGE, values[kMessage].text);
}

void OpenUpsDialog(HWND dialog)
{
    PolicyRead read;
    if (!ReadPolicyForDialog(dialog, kUpsPolicy, &read))
        return;
    ValueData shown[kMaxPolicyValues];
    shown[kIgnore].number = ShownNumber(PowerFailValue(kIgnore), read.values[kIgnore]);
    for (int i = kRecipient; i <= kMessage; ++i)
        ShowText(PowerFailValue(i), read.values[i].data.text, shown[i].text, sizeof(shown[i].text));
    SetPolicyTitle(dialog, IDS_UPS_SERVICE);
    SetPolicyTexts(dialog, kTexts, ARRAYSIZE(kTexts));
    ShowPowerFailSettings(dialog, shown);
    FillNumberList(dialog, IDC_UPS_INTERVAL, PowerFailValue(kInterval).range,
                   read.values[kInterval].data.number);
    SendDlgItemMessageA(dialog, IDC_UPS_RECIPIENT, EM_LIMITTEXT, PowerFailValue(kRecipient).limit,
                        0);
    SendDlgItemMessageA(dialog, IDC_UPS_MESSAGE, EM_LIMITTEXT, PowerFailValue(kMessage).limit, 0);
    EnablePowerFailControls(dialog, shown[kIgnore].number);
    DisableOkAndDefaultWithoutAccess(dialog);
    UpdateWindow(dialog);
    FocusPolicyControl(dialog, IDCANCEL);
}

void ShowPowerFailDefaults(HWND dialog)
{
    ValueData defaults[kMaxPolicyValues];
    for (int i = 0; i < kUpsPolicy.valueCount; ++i)
        GetDefaultValue(PowerFailValue(i), &defaults[i]);
    ShowPowerFailSettings(dialog, defaults);
    SelectListValue(dialog, IDC_UPS_INTERVAL, PowerFailValue(kInterval).range,
                    defaults[kInterval].number);
    EnablePowerFailControls(dialog, defaults[kIgnore].number);
}

// All four are written even while the box is unchecked: the greyed fields keep their texts.
void WritePowerFailSettings(HWND dialog)
{
    ValueData values[kMaxPolicyValues] = {};
    values[kIgnore].number = InvertCheck(GetCheck(dialog, IDC_UPS_SEND));
    GetDlgItemTextA(dialog, IDC_UPS_RECIPIENT, values[kRecipient].text,
                    PowerFailValue(kRecipient).limit + 1);
    GetDlgItemTextA(dialog, IDC_UPS_MESSAGE, values[kMessage].text,
                    PowerFailValue(kMessage).limit + 1);
    values[kInterval].number =
        GetListValue(dialog, IDC_UPS_INTERVAL, PowerFailValue(kInterval).range);
    WritePolicyForDialog(dialog, kUpsPolicy, values, kEveryValue);
}

}  // namespace

INT_PTR CALLBACK UpsServiceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OpenUpsDialog(dialog);
        return 0;
    case WM_CLOSE:
        return ClosePolicyDialog(dialog);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
        case IDC_DEFAULT:
            return PressPolicyButton(dialog, LOWORD(wParam), WritePowerFailSettings,
                                     ShowPowerFailDefaults);
        case IDC_UPS_SEND:
            EnablePowerFailControls(dialog, InvertCheck(FlipCheck(dialog, IDC_UPS_SEND)));
            return 1;
        }
        break;
    }
    return 0;
}
