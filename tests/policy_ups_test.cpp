// The UPS Service dialog: the send box and the controls it governs, the recipient and message
// held to their fields with their warnings, strings written without a terminator, and the
// dialog's own numbering of its reads.
#include "tests/support/typed_entry_checks.h"

using namespace policytest;

namespace {

const char kUpsKey[] = "SYSTEM\\CurrentControlSet\\Services\\UPS\\Parameters";
const char kUpsTitle[] = "Properties of UPS Service - VELMOR-PDC";
const char kDefaultMessage[] = "The system has experienced a power failure. Please close all "
                               "applications and files and log off immediately.";
const int kDependents[] = {IDC_UPS_RECIPIENT_GROUP, IDC_UPS_RECIPIENT_LABEL, IDC_UPS_RECIPIENT,
                           IDC_UPS_MESSAGE_GROUP, IDC_UPS_MESSAGE_LABEL, IDC_UPS_MESSAGE,
                           IDC_UPS_INTERVAL_LABEL, IDC_UPS_INTERVAL};

void SetUps(DWORD ignore, const std::string &recipient, const std::string &message,
            DWORD interval)
{
    LabSetRegDword(kPdc, kUpsKey, "IgnoreSIGPWR", ignore);
    LabSetRegString(kPdc, kUpsKey, "PowerFailAddress", recipient.c_str());
    LabSetRegString(kPdc, kUpsKey, "PowerFailMessage", message.c_str());
    LabSetRegDword(kPdc, kUpsKey, "PowerMessageInterval", interval);
}

std::string LabString(const char *value)
{
    std::string text;
    EXPECT_TRUE(LabGetRegString(kPdc, kUpsKey, value, &text)) << value;
    return text;
}

void ExpectUps(DWORD ignore, const std::string &recipient, const std::string &message,
               DWORD interval)
{
    EXPECT_EQ(ignore, LabDword(kUpsKey, "IgnoreSIGPWR"));
    EXPECT_EQ(recipient, LabString("PowerFailAddress"));
    EXPECT_EQ(message, LabString("PowerFailMessage"));
    EXPECT_EQ(interval, LabDword(kUpsKey, "PowerMessageInterval"));
}

void ExpectDependents(HWND dialog, bool enabled)
{
    for (int id : kDependents)
        EXPECT_EQ(enabled, Enabled(dialog, id)) << id;
}

void RunUps(const std::function<void(HWND)> &act)
{
    RunActing(IDD_UPS_SERVICE, UpsServiceDlgProc, kUpsTitle, act);
}

void RunUpsToBox(const std::string &text)
{
    RunToReadBox(IDD_UPS_SERVICE, UpsServiceDlgProc, text, true);
}

// The over-length warnings: program title, stop icon, one OK button, owned by the dialog.
void ExpectWarning(const BoxRecord &box, const std::string &text)
{
    EXPECT_EQ(text, box.text);
    EXPECT_EQ(kAppTitle, box.caption);
    EXPECT_EQ((UINT)MB_ICONHAND, box.icon);
    EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    EXPECT_NE(nullptr, box.owner);
}

std::function<void(const BoxRecord &)> Warning(const char *text)
{
    return [text](const BoxRecord &box) { ExpectWarning(box, text); };
}

int FieldLimit(HWND dialog, int id)
{
    return (int)SendDlgItemMessageA(dialog, id, EM_GETLIMITTEXT, 0, 0);
}

const char kRecipientWarning[] =
    "The length of the message recipient name in Registry\nis greater than 15 characters.\n"
    "Only the first 15 characters will be displayed.\nChange the recipient name.";
const char kMessageWarning[] =
    "The length of the power failure message in Registry\nis greater than 500 characters.\n"
    "Only the first 500 characters will be displayed.\nRe-enter a new message.";

}  // namespace

using UpsDialog = TitledPolicyDialogTest;

TEST_F(UpsDialog, SendBoxGovernsTheMessageControls)
{
    SetUps(0, "Operators", "Line one\r\nLine two", 4);
    RunUps([](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_UPS_SEND));
        ExpectDependents(dialog, true);
        EXPECT_EQ("Operators", ItemText(dialog, IDC_UPS_RECIPIENT));
        EXPECT_EQ("Line one\r\nLine two", ItemText(dialog, IDC_UPS_MESSAGE));
        EXPECT_EQ(11, ComboCount(dialog, IDC_UPS_INTERVAL));
        EXPECT_EQ("4", ComboText(dialog, IDC_UPS_INTERVAL));
        EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
        EXPECT_EQ(0u, ItemText(dialog, IDC_UPS_TEXT).find("Indicate whether Velmor Server"));
        EXPECT_EQ("", ItemText(dialog, IDC_UPS_GROUP));
        // Enter in the message starts a new line rather than pressing OK.
        EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, IDC_UPS_MESSAGE), GWL_STYLE) &
                    ES_WANTRETURN);

        Click(dialog, IDC_UPS_SEND);
        EXPECT_FALSE(Checked(dialog, IDC_UPS_SEND));
        ExpectDependents(dialog, false);
        Click(dialog, IDC_UPS_SEND);
        ExpectDependents(dialog, true);
        HWND recipient = GetDlgItem(dialog, IDC_UPS_RECIPIENT);
        EXPECT_EQ(recipient, GetFocus());
        DWORD start = 1, end = 0;
        SendMessageA(recipient, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
        EXPECT_EQ(0u, start);
        EXPECT_EQ(9u, end);
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
}

TEST_F(UpsDialog, AnyNonZeroFlagMeansNoMessageAndGreyedFieldsAreStillWritten)
{
    SetUps(5, "Admins", "Power is out", 25);
    WriteRecorder recorder;
    RunUps([](HWND dialog) {
        EXPECT_FALSE(Checked(dialog, IDC_UPS_SEND));
        ExpectDependents(dialog, false);
        EXPECT_EQ("10", ComboText(dialog, IDC_UPS_INTERVAL));
        Click(dialog, IDOK);
    });
    ExpectUps(1, "Admins", "Power is out", 10);
    // Strings go out as their characters alone, in the service's order.
    EXPECT_EQ((std::vector<std::string>{"IgnoreSIGPWR", "PowerFailAddress", "PowerFailMessage",
                                         "PowerMessageInterval"}),
              recorder.Names());
    const std::vector<RecordedWrite> &passed = recorder.Writes();
    ASSERT_EQ(4u, passed.size());
    EXPECT_EQ((DWORD)REG_SZ, passed[1].type);
    EXPECT_EQ("Admins", passed[1].bytes);
    EXPECT_EQ("Power is out", passed[2].bytes);
    EXPECT_EQ(1u, LabCounter(kPdc, "RegFlushKey"));

    // A flag with the top bit set is not a negative number that would read as "send".
    LabSetRegDword(kPdc, kUpsKey, "IgnoreSIGPWR", 0x80000000);
    RunUps([](HWND dialog) {
        EXPECT_FALSE(Checked(dialog, IDC_UPS_SEND));
        Click(dialog, IDOK);
    });
    EXPECT_EQ(1u, LabDword(kUpsKey, "IgnoreSIGPWR"));
}

TEST_F(UpsDialog, OverLongTextsAreCutAfterTheirWarnings)
{
    // At the limits: no warning (the driver fails on any box it did not expect).
    SetUps(0, "ABCDEFGHIJKLMNO", std::string(500, 'm'), 1);
    RunUps([](HWND dialog) {
        EXPECT_EQ("ABCDEFGHIJKLMNO", ItemText(dialog, IDC_UPS_RECIPIENT));
        EXPECT_EQ(500u, ItemText(dialog, IDC_UPS_MESSAGE).size());
        Click(dialog, IDCANCEL);
    });

    std::string message = std::string(499, 'm') + "yz";
    SetUps(0, "ABCDEFGHIJKLMNOP", message, 1);
    {
        Driver driver;
        driver.OnMessageBox(IDOK, Warning(kRecipientWarning));
        driver.OnMessageBox(IDOK, Warning(kMessageWarning));
        driver.OnDialog(kUpsTitle, [&](HWND dialog) {
            EXPECT_EQ("ABCDEFGHIJKLMNO", ItemText(dialog, IDC_UPS_RECIPIENT));
            EXPECT_EQ(message.substr(0, 500), ItemText(dialog, IDC_UPS_MESSAGE));
            // The fields take no more than their limits.
            EXPECT_EQ(15, FieldLimit(dialog, IDC_UPS_RECIPIENT));
            EXPECT_EQ(500, FieldLimit(dialog, IDC_UPS_MESSAGE));
            Click(dialog, IDOK);
        });
        RunDialog(IDD_UPS_SERVICE, UpsServiceDlgProc);
    }
    ExpectUps(0, "ABCDEFGHIJKLMNO", message.substr(0, 500), 1);

    // A recipient too long for the 5000-byte buffer cannot be read at all.
    LabSetRegString(kPdc, kUpsKey, "PowerFailAddress", std::string(5000, 'r').c_str());
    RunUpsToBox("Power Failure - WM_INITDIALOG 4, RegRet=234");
}

TEST_F(UpsDialog, DefaultUnchecksAndPutsBackTheDocumentedTexts)
{
    SetUps(0, "Operators", "Short", 7);
    WriteRecorder recorder;
    RunUps([](HWND dialog) {
        Click(dialog, IDC_DEFAULT);
        EXPECT_FALSE(Checked(dialog, IDC_UPS_SEND));
        EXPECT_EQ("*", ItemText(dialog, IDC_UPS_RECIPIENT));
        EXPECT_EQ(kDefaultMessage, ItemText(dialog, IDC_UPS_MESSAGE));
        EXPECT_EQ("1", ComboText(dialog, IDC_UPS_INTERVAL));
        ExpectDependents(dialog, false);
        Click(dialog, IDOK);
    });
    ExpectUps(1, "*", kDefaultMessage, 1);
    ASSERT_EQ(4u, recorder.Writes().size());
    EXPECT_EQ("*", recorder.Writes()[1].bytes);
    EXPECT_EQ(108u, recorder.Writes()[2].bytes.size());
}

TEST_F(UpsDialog, EmptyRecipientIsWrittenWithNoData)
{
    SetUps(0, "Operators", "Short", 2);
    WriteRecorder recorder;
    RunUps([](HWND dialog) {
        TypeText(dialog, IDC_UPS_RECIPIENT, "");
        PickIndex(dialog, IDC_UPS_INTERVAL, -1);
        Click(dialog, IDOK);
    });
    ExpectUps(0, "", "Short", 1);
    ASSERT_EQ(4u, recorder.Writes().size());
    EXPECT_EQ("", recorder.Writes()[1].bytes);
}

TEST_F(UpsDialog, ReadsCarryTheServicesOwnStepNumbers)
{
    SetUps(1, "*", "Short", 1);
    LabSetRegDword(kPdc, kUpsKey, "PowerFailAddress", 3);
    RunUpsToBox("Power Failure - WM_INITDIALOG 5, dwType=4");

    LabSetRegValue(kPdc, kUpsKey, "PowerFailAddress", REG_EXPAND_SZ, "*", 2);
    RunUpsToBox("Power Failure - WM_INITDIALOG 5, dwType=2");

    // The length warning comes before the type test.
    LabSetRegValue(kPdc, kUpsKey, "PowerFailAddress", REG_EXPAND_SZ, "ABCDEFGHIJKLMNOPQ", 18);
    {
        Driver driver;
        driver.OnMessageBox(IDOK, Warning(kRecipientWarning));
        driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
            ExpectPolicyBox(box, "Power Failure - WM_INITDIALOG 5, dwType=2", "", true);
        });
        RunDialog(IDD_UPS_SERVICE, UpsServiceDlgProc);
    }

    LabSetRegString(kPdc, kUpsKey, "PowerFailAddress", "*");
    LabDeleteRegValue(kPdc, kUpsKey, "PowerFailMessage");
    RunUpsToBox("Power Failure - WM_INITDIALOG 9, RegRet=2");
    LabSetRegDword(kPdc, kUpsKey, "PowerFailMessage", 0);
    RunUpsToBox("Power Failure - WM_INITDIALOG 6, dwType=4");

    LabSetRegString(kPdc, kUpsKey, "PowerFailMessage", "Short");
    LabDeleteRegValue(kPdc, kUpsKey, "PowerMessageInterval");
    RunUpsToBox("Power Failure - WM_INITDIALOG 10, RegRet=2");
    LabSetRegString(kPdc, kUpsKey, "PowerMessageInterval", "1");
    RunUpsToBox("Power Failure - WM_INITDIALOG 11, dwType=1");

    LabDeleteRegValue(kPdc, kUpsKey, "IgnoreSIGPWR");
    RunUpsToBox("Power Failure - WM_INITDIALOG 2, RegRet=2");
    LabSetRegString(kPdc, kUpsKey, "IgnoreSIGPWR", "0");
    RunUpsToBox("Power Failure - WM_INITDIALOG 3, dwType=1");
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
}

TEST_F(UpsDialog, FailedWriteStopsAfterTheValuesBeforeIt)
{
    SetUps(1, "*", "Short", 1);
    LabSetFault(kPdc, "SetValue", ValuePath(kUpsKey, "PowerFailMessage").c_str(), 5);
    RunToOkBox(
        IDD_UPS_SERVICE, UpsServiceDlgProc, kUpsTitle,
        [](HWND dialog) {
            Click(dialog, IDC_UPS_SEND);
            TypeText(dialog, IDC_UPS_RECIPIENT, "Staff");
            TypeText(dialog, IDC_UPS_MESSAGE, "Changed");
            PickIndex(dialog, IDC_UPS_INTERVAL, 9);
            Click(dialog, IDOK);
        },
        [](const BoxRecord &box) {
            ExpectPolicyBox(box, "Power Failure - WM_COMMAND 4, RegRet=5", "Registry", true);
        });
    ExpectUps(0, "Staff", "Short", 1);
    EXPECT_EQ(0u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(UpsDialog, FailedOpenForWritingNamesTheKey)
{
    SetUps(1, "*", "Short", 1);
    PressOkOnRefusedKey(IDD_UPS_SERVICE, UpsServiceDlgProc, kUpsTitle, "Power Failure - WM_COMMAND 1",
                        kUpsKey);
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
}

TEST_F(UpsDialog, EnterPressesTheButtonThatHasTheFocus)
{
    // Right after opening the focus is on Cancel: Enter leaves everything as it was.
    SetUps(1, "*", "Short", 7);
    RunUps([](HWND dialog) { PressKey(GetDlgItem(dialog, IDCANCEL), VK_RETURN); });
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));

    // Once the box has put the focus into the recipient, Enter there is OK again.
    RunUps([](HWND dialog) {
        Click(dialog, IDC_UPS_SEND);
        TypeText(dialog, IDC_UPS_RECIPIENT, "Night");
        PressKey(GetDlgItem(dialog, IDC_UPS_RECIPIENT), VK_RETURN);
    });
    ExpectUps(0, "Night", "Short", 7);
}
