// UPS Service: whether a power failure is announced to a user or group, with which text and how
// often.
#include "policies/policies.h"

#include <stdio.h>

#include "connection/netcalls.h"
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

const PolicyKey kKey = {
    "Power Failure", "SYSTEM\\CurrentControlSet\\Services\\UPS\\Parameters", AccessNumbered,
};

enum { kRecipientChars = 15, kMessageChars = 500 };

const TextLimit kRecipientLimit = {
    kRecipientChars,
    "The length of the message recipient name in Registry\nis greater than %d characters.\n"
    "Only the first %d characters will be displayed.\nChange the recipient name.",
};
const TextLimit kMessageLimit = {
    kMessageChars,
    "The length of the power failure message in Registry\nis greater than %d characters.\n"
    "Only the first %d characters will be displayed.\nRe-enter a new message.",
};

const NumberList kIntervalMinutes = { 0, 10, 1, 1 };
const char kDefaultRecipient[] = "*";

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

struct PowerFailSettings {
    DWORD ignore;   // IgnoreSIGPWR: 1 when no message is sent
    char recipient[kRecipientChars + 1];
    char message[kMessageChars + 1];
    DWORD interval;
};

void EnablePowerFailControls(HWND dialog, DWORD ignore)
{
    EnablePolicyControls(dialog, kPowerFailControls, ARRAYSIZE(kPowerFailControls), ignore != 1);
    if (ignore != 1) {
        FocusPolicyControl(dialog, IDC_UPS_RECIPIENT);
        SendDlgItemMessageA(dialog, IDC_UPS_RECIPIENT, EM_SETSEL, 0, -1);
    }
}

// The reads keep their established step numbers, 2/3, 4/5, 9/6 and 10/11, not consecutive
// pairs: the messages are known by them.
BOOL ReadPowerFailSettings(HWND dialog, HKEY handle, PowerFailSettings *settings)
{
    DWORD ignore = 0;
    if (!QueryNumberedDword(dialog, kKey.tag, handle, "IgnoreSIGPWR", 2, 3, &ignore) ||
        !QueryNumberedString(dialog, kKey.tag, handle, "PowerFailAddress", 4, 5, kRecipientLimit,
                             settings->recipient) ||
        !QueryNumberedString(dialog, kKey.tag, handle, "PowerFailMessage", 9, 6, kMessageLimit,
                             settings->message) ||
        !QueryNumberedDword(dialog, kKey.tag, handle, "PowerMessageInterval", 10, 11,
                            &settings->interval))
        return FALSE;
    settings->ignore = ignore != 0 ? 1 : 0;
    return TRUE;
}

void ShowPowerFailSettings(HWND dialog, const PowerFailSettings &settings)
{
    CheckDlgButton(dialog, IDC_UPS_SEND, InvertCheck((int)settings.ignore) ? BST_CHECKED
                                                                            : BST_UNCHECKED);
    SetDlgItemTextA(dialog, IDC_UPS_RECIPIENT, settings.recipient);
    SetDlgItemTextA(dialog, IDC_UPS_MESSAGE, settings.message);
}

void OpenUpsDialog(HWND dialog)
{
    HKEY handle;
    PowerFailSettings settings = {};
    if (!OpenKeyForReading(dialog, kKey, &handle))
        return;
    if (!ReadPowerFailSettings(dialog, handle, &settings)) {
        AbandonPolicyKey(dialog, handle);
        return;
    }
    Net().RegCloseKey(handle);
    SetPolicyTitle(dialog, IDS_UPS_SERVICE);
    SetPolicyTexts(dialog, kTexts, ARRAYSIZE(kTexts));
    ShowPowerFailSettings(dialog, settings);
    FillNumberList(dialog, IDC_UPS_INTERVAL, kIntervalMinutes, settings.interval);
    SendDlgItemMessageA(dialog, IDC_UPS_RECIPIENT, EM_LIMITTEXT, kRecipientChars, 0);
    SendDlgItemMessageA(dialog, IDC_UPS_MESSAGE, EM_LIMITTEXT, kMessageChars, 0);
    EnablePowerFailControls(dialog, settings.ignore);
    FinishPolicyOpening(dialog);
    UpdateWindow(dialog);
    FocusPolicyControl(dialog, IDCANCEL);
}

void ShowPowerFailDefaults(HWND dialog)
{
    PowerFailSettings settings = {};
    settings.ignore = 1;
    snprintf(settings.recipient, sizeof(settings.recipient), "%s", kDefaultRecipient);
    snprintf(settings.message, sizeof(settings.message), "%s", kDefaultMessage);
    ShowPowerFailSettings(dialog, settings);
    SelectListValue(dialog, IDC_UPS_INTERVAL, kIntervalMinutes, kIntervalMinutes.defaultValue);
    EnablePowerFailControls(dialog, settings.ignore);
}

void CollectPowerFailSettings(HWND dialog, PowerFailSettings *settings)
{
    settings->ignore = InvertCheck(GetCheck(dialog, IDC_UPS_SEND));
    GetDlgItemTextA(dialog, IDC_UPS_RECIPIENT, settings->recipient, sizeof(settings->recipient));
    GetDlgItemTextA(dialog, IDC_UPS_MESSAGE, settings->message, sizeof(settings->message));
    settings->interval = GetListValue(dialog, IDC_UPS_INTERVAL, kIntervalMinutes);
}

// All four are written even while the box is unchecked: the greyed fields keep their texts.
void WritePowerFailSettings(HWND dialog)
{
    PowerFailSettings settings = {};
    CollectPowerFailSettings(dialog, &settings);
    HKEY handle;
    if (!OpenKeyForWriting(dialog, kKey, KEY_WRITE, TRUE, &handle))
        return;
    if (!WriteNumberedDword(dialog, kKey.tag, handle, "IgnoreSIGPWR", 2, settings.ignore) ||
        !WriteNumberedString(dialog, kKey.tag, handle, "PowerFailAddress", 3,
                             settings.recipient) ||
        !WriteNumberedString(dialog, kKey.tag, handle, "PowerFailMessage", 4, settings.message) ||
        !WriteNumberedDword(dialog, kKey.tag, handle, "PowerMessageInterval", 5,
                            settings.interval)) {
        AbandonPolicyKey(dialog, handle);
        return;
    }
    FinishPolicyWrites(dialog, handle);
}

BOOL FlipSendBox(HWND dialog, int controlId)
{
    if (controlId != IDC_UPS_SEND)
        return FALSE;
    EnablePowerFailControls(dialog, InvertCheck(FlipCheck(dialog, IDC_UPS_SEND)));
    return TRUE;
}

const PolicyProcedure kProcedure = {
    OpenUpsDialog, WritePowerFailSettings, ShowPowerFailDefaults, FlipSendBox,
};

}  // namespace

INT_PTR CALLBACK UpsServiceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandlePolicyProcedure(kProcedure, dialog, message, wParam, lParam);
}
