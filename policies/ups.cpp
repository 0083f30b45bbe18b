// UPS Service: whether a power failure is announced to a user or group, with which text and how
// often.
#include "policies/policies.h"

#include "policy/policy.h"
#include "resources/resource.h"

namespace {

const PolicyKey kPowerFailKeys[] = {
    { "Power Failure", "SYSTEM\\CurrentControlSet\\Services\\UPS\\Parameters", AccessNumbered },
};

const char kRecipientTooLong[] =
    "The length of the message recipient name in Registry\nis greater than %d characters.\n"
    "Only the first %d characters will be displayed.\nChange the recipient name.";
const char kMessageTooLong[] =
    "The length of the power failure message in Registry\nis greater than %d characters.\n"
    "Only the first %d characters will be displayed.\nRe-enter a new message.";
const char kDefaultMessage[] =
    "The system has experienced a power failure. Please close all applications and files and "
    "log off immediately.";

// IgnoreSIGPWR is 1 when no message is sent. The reads keep their established step numbers,
// 2/3, 4/5, 9/6 and 10/11, not consecutive pairs: the messages are known by them. All four are
// written even while no message is sent: the greyed fields keep their texts.
const ValueModel kPowerFailValues[] = {
    InvertedFlagValue("IgnoreSIGPWR", 1, Numbered(2, 3, 2)),
    TextValue("PowerFailAddress", REG_SZ, 15, "*", kRecipientTooLong, Numbered(4, 5, 3)),
    TextValue("PowerFailMessage", REG_SZ, 500, kDefaultMessage, kMessageTooLong,
              Numbered(9, 6, 4)),
    ListValue("PowerMessageInterval", { 0, 10, 1, 1 }, Numbered(10, 11, 5)),
};

}  // namespace

extern const PolicyModel kUpsPolicy = {
    "ups", IDS_UPS_SERVICE, kPowerFailKeys, ARRAYSIZE(kPowerFailKeys),
    kPowerFailValues, ARRAYSIZE(kPowerFailValues), NULL,
};

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
    return kPowerFailValues[index];
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
    ValueData shown[ARRAYSIZE(kPowerFailValues)];
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
    FinishPolicyOpening(dialog);
    UpdateWindow(dialog);
    FocusPolicyControl(dialog, IDCANCEL);
}

void ShowPowerFailDefaults(HWND dialog)
{
    ValueData defaults[ARRAYSIZE(kPowerFailValues)];
    for (int i = 0; i < (int)ARRAYSIZE(kPowerFailValues); ++i)
        GetDefaultValue(PowerFailValue(i), &defaults[i]);
    ShowPowerFailSettings(dialog, defaults);
    SelectListValue(dialog, IDC_UPS_INTERVAL, PowerFailValue(kInterval).range,
                    defaults[kInterval].number);
    EnablePowerFailControls(dialog, defaults[kIgnore].number);
}

// All four are written even while the box is unchecked: the greyed fields keep their texts.
void WritePowerFailSettings(HWND dialog)
{
    ValueData values[ARRAYSIZE(kPowerFailValues)] = {};
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
