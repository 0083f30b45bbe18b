// The UNIX File System Integration dialog: the radio group and the bypass box that disables it,
// the permission masks shown and typed in octal, their validation and what OK writes.
#include "tests/support/typed_entry_checks.h"

using namespace policytest;

namespace {

const char kUnixFsTitle[] = "Properties of UNIX File System Integration - VELMOR-PDC";

const std::vector<std::string> kWriteOrder = {
    "UseUnixLocks", "RootOwnsFilesCreatedOnNFS", "UnixDirectoryCheck", "IgnoreUnixPermissions",
    "UnixDirectoryPerms", "UnixFilePerms"};

const int kRadios[] = {IDC_UFS_SERVER_DIRS, IDC_UFS_WRITE_PERM, IDC_UFS_READ_PERM};
const int kCreationGroup[] = {IDC_UFS_CREATE_GROUP, IDC_UFS_CREATE_TEXT, IDC_UFS_SERVER_DIRS,
                              IDC_UFS_WRITE_PERM, IDC_UFS_READ_PERM};

// The values in the order of kWriteOrder.
void StoreFileSystem(const std::vector<DWORD> &values)
{
    for (size_t i = 0; i < values.size(); ++i)
        LabSetRegDword(kPdc, kFileServiceKey, kWriteOrder[i].c_str(), values[i]);
}

void ExpectWrites(const WriteRecorder &recorder, const std::vector<DWORD> &values)
{
    ASSERT_EQ(std::vector<std::string>(kWriteOrder.begin(), kWriteOrder.begin() + values.size()),
              recorder.Names());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ((DWORD)REG_DWORD, recorder.Writes()[i].type);
        EXPECT_EQ(DwordBytes(values[i]), recorder.Writes()[i].bytes) << kWriteOrder[i];
    }
}

// Exactly one radio button checked.
void ExpectRadio(HWND dialog, int selected)
{
    for (int id : kRadios)
        EXPECT_EQ(id == selected, Checked(dialog, id)) << id;
}

void ExpectCreationGroup(HWND dialog, bool enabled)
{
    for (int id : kCreationGroup)
        EXPECT_EQ(enabled, Enabled(dialog, id)) << id;
}

void RunUnixFs(const std::function<void(HWND)> &act)
{
    RunActing(IDD_UNIX_FS, UnixFileSystemDlgProc, kUnixFsTitle, act);
}

int ButtonType(HWND dialog, int id)
{
    return GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & BS_TYPEMASK;
}

int FieldLimit(HWND dialog, int id)
{
    return (int)SendDlgItemMessageA(dialog, id, EM_GETLIMITTEXT, 0, 0);
}

}  // namespace

using UnixFileSystem = TitledPolicyDialogTest;

TEST_F(UnixFileSystem, OpensWithStoredValuesInTheirControls)
{
    StoreFileSystem({3, 0, 5, 0, 0, 420});
    WriteRecorder recorder;
    RunUnixFs([](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_UFS_UNIX_LOCKS));
        EXPECT_FALSE(Checked(dialog, IDC_UFS_ROOT_OWNS));
        ExpectRadio(dialog, IDC_UFS_READ_PERM);
        EXPECT_FALSE(Checked(dialog, IDC_UFS_BYPASS));
        ExpectCreationGroup(dialog, true);
        EXPECT_EQ("644", ItemText(dialog, IDC_UFS_FILE_PERMS));
        EXPECT_EQ("0", ItemText(dialog, IDC_UFS_DIR_PERMS));
        EXPECT_EQ(4, FieldLimit(dialog, IDC_UFS_FILE_PERMS));
        EXPECT_EQ(3, FieldLimit(dialog, IDC_UFS_DIR_PERMS));
        for (int id : kRadios)
            EXPECT_EQ(BS_RADIOBUTTON, ButtonType(dialog, id));
        for (int id : {IDC_UFS_UNIX_LOCKS, IDC_UFS_ROOT_OWNS, IDC_UFS_BYPASS})
            EXPECT_EQ(BS_CHECKBOX, ButtonType(dialog, id));
        EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
        Click(dialog, IDOK);
    });
    ExpectWrites(recorder, {1, 0, 2, 0, 0, 420});
    EXPECT_EQ(1u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(UnixFileSystem, MasksWiderThanTheirFieldsShowTheLargestNumber)
{
    StoreFileSystem({0, 1, 1, 0, 01000, 0x10000});
    WriteRecorder recorder;
    RunUnixFs([](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_UFS_ROOT_OWNS));
        ExpectRadio(dialog, IDC_UFS_SERVER_DIRS);
        EXPECT_EQ("7777", ItemText(dialog, IDC_UFS_FILE_PERMS));
        EXPECT_EQ("777", ItemText(dialog, IDC_UFS_DIR_PERMS));
        Click(dialog, IDOK);
    });
    ExpectWrites(recorder, {0, 1, 1, 0, 0777, 07777});
}

TEST_F(UnixFileSystem, BypassSwitchesTheRadioGroupWhichKeepsItsChoice)
{
    StoreFileSystem({0, 0, 0, 1, 0755, 0644});
    WriteRecorder recorder;
    RunUnixFs([](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_UFS_BYPASS));
        ExpectRadio(dialog, IDC_UFS_WRITE_PERM);
        ExpectCreationGroup(dialog, false);
        Click(dialog, IDC_UFS_BYPASS);
        ExpectCreationGroup(dialog, true);
        Click(dialog, IDC_UFS_READ_PERM);
        ExpectRadio(dialog, IDC_UFS_READ_PERM);
        Click(dialog, IDC_UFS_SERVER_DIRS);
        ExpectRadio(dialog, IDC_UFS_SERVER_DIRS);
        Click(dialog, IDC_UFS_BYPASS);
        ExpectCreationGroup(dialog, false);
        ExpectRadio(dialog, IDC_UFS_SERVER_DIRS);
        Click(dialog, IDOK);
    });
    ExpectWrites(recorder, {0, 0, 1, 1, 0755, 0644});

    // Only exactly 1 disables the group; the box shows any other flag as checked.
    StoreFileSystem({0, 0, 0, 2, 0755, 0644});
    RecordedWrites().clear();
    RunUnixFs([](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_UFS_BYPASS));
        ExpectCreationGroup(dialog, true);
        Click(dialog, IDOK);
    });
    ExpectWrites(recorder, {0, 0, 0, 1, 0755, 0644});
}

TEST_F(UnixFileSystem, DefaultThenOkWritesTheDocumentedDefaults)
{
    StoreFileSystem({1, 1, 2, 1, 0700, 0600});
    WriteRecorder recorder;
    RunUnixFs([&](HWND dialog) {
        Click(dialog, IDC_DEFAULT);
        EXPECT_FALSE(Checked(dialog, IDC_UFS_UNIX_LOCKS));
        EXPECT_FALSE(Checked(dialog, IDC_UFS_ROOT_OWNS));
        EXPECT_FALSE(Checked(dialog, IDC_UFS_BYPASS));
        ExpectRadio(dialog, IDC_UFS_SERVER_DIRS);
        ExpectCreationGroup(dialog, true);
        EXPECT_EQ("2664", ItemText(dialog, IDC_UFS_FILE_PERMS));
        EXPECT_EQ("775", ItemText(dialog, IDC_UFS_DIR_PERMS));
        EXPECT_TRUE(recorder.Writes().empty());
        Click(dialog, IDOK);
    });
    ExpectWrites(recorder, {0, 0, 1, 0, 509, 1460});
}

TEST_F(UnixFileSystem, RefusedPermissionsPutTheirDefaultBackOneFieldAtATime)
{
    StoreFileSystem({0, 0, 1, 0, 0755, 0644});
    WriteRecorder recorder;
    RunThroughRefusals(IDD_UNIX_FS, UnixFileSystemDlgProc, kUnixFsTitle,
                       {"File permission is not set.", "Directory permission '8' is not in octal.",
                        "File permission '6a4' is not in octal.", "Directory permission is not set.",
                        "File permission '\xB7" "7' is not in octal."},
                       [&](HWND dialog) {
        DWORD opens = LabCounter(kPdc, "RegOpenKeyExA");
        Click(dialog, IDC_UFS_UNIX_LOCKS);
        // An empty file field hides a bad directory field until it is mended.
        TypeText(dialog, IDC_UFS_FILE_PERMS, "");
        TypeRefused(dialog, IDC_UFS_DIR_PERMS, "8", "8");
        EXPECT_EQ("2664", ItemText(dialog, IDC_UFS_FILE_PERMS));
        Click(dialog, IDOK);
        EXPECT_EQ("2664", ItemText(dialog, IDC_UFS_FILE_PERMS));
        EXPECT_EQ("775", ItemText(dialog, IDC_UFS_DIR_PERMS));
        TypeRefused(dialog, IDC_UFS_FILE_PERMS, "6a4", "2664");
        TypeRefused(dialog, IDC_UFS_DIR_PERMS, "", "775");
        TypeText(dialog, IDC_UFS_FILE_PERMS, "\xB7" "7");
        Click(dialog, IDOK);
        EXPECT_TRUE(Checked(dialog, IDC_UFS_UNIX_LOCKS));
        EXPECT_EQ(opens, LabCounter(kPdc, "RegOpenKeyExA"));
        EXPECT_TRUE(recorder.Writes().empty());
        // Leading zeros are digits like any other.
        TypeText(dialog, IDC_UFS_FILE_PERMS, "0777");
        TypeText(dialog, IDC_UFS_DIR_PERMS, "7");
        Click(dialog, IDOK);
    });
    ExpectWrites(recorder, {1, 0, 1, 0, 7, 511});
}

TEST_F(UnixFileSystem, ReadOnlyDialogShowsButNeverWrites)
{
    StoreFileSystem({0, 0, 1, 0, 0755, 0644});
    ConnectTarget(kPdc, FALSE);
    WriteRecorder recorder;
    RunUnixFs([](HWND dialog) {
        EXPECT_FALSE(Enabled(dialog, IDOK));
        EXPECT_FALSE(Enabled(dialog, IDC_DEFAULT));
        Click(dialog, IDC_UFS_READ_PERM);
        ExpectRadio(dialog, IDC_UFS_READ_PERM);
        TypeText(dialog, IDC_UFS_FILE_PERMS, "");
        // Enter reaches the disabled buttons as commands: nothing is checked, put back or written.
        Command(dialog, IDOK);
        Command(dialog, IDC_DEFAULT);
        EXPECT_EQ("", ItemText(dialog, IDC_UFS_FILE_PERMS));
        ExpectRadio(dialog, IDC_UFS_READ_PERM);
        CloseBox(dialog);
    });
    EXPECT_TRUE(recorder.Writes().empty());
    EXPECT_EQ(0u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(UnixFileSystem, RegistryFailuresNameTheValue)
{
    LabDeleteRegValue(kPdc, kFileServiceKey, "UnixFilePerms");
    RunToBox(IDD_UNIX_FS, UnixFileSystemDlgProc, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "UNIXFS - WM_INITDIALOG UnixFilePerms 1, RegRet=2", "", false);
    });
    LabSetRegString(kPdc, kFileServiceKey, "UnixDirectoryCheck", "1");
    RunToBox(IDD_UNIX_FS, UnixFileSystemDlgProc, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "UNIXFS - WM_INITDIALOG UnixDirectoryCheck 2, dwType=1", "", false);
    });

    StoreFileSystem({0, 0, 1, 0, 0755, 0644});
    PressOkOnRefusedKey(IDD_UNIX_FS, UnixFileSystemDlgProc, kUnixFsTitle, "UNIXFS - WM_COMMAND",
                        kFileServiceKey);
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));

    LabClearFaults(kPdc);
    WriteRecorder recorder;
    PressOkOnRefusedWrite(IDD_UNIX_FS, UnixFileSystemDlgProc, kUnixFsTitle, "UNIXFS - WM_COMMAND", kFileServiceKey,
                          "UnixDirectoryPerms", [](HWND dialog) {
                              Click(dialog, IDC_UFS_ROOT_OWNS);
                              Click(dialog, IDOK);
                          });
    ExpectWrites(recorder, {0, 1, 1, 0, 0755});
    EXPECT_EQ(1u, LabDword(kFileServiceKey, "RootOwnsFilesCreatedOnNFS"));
    EXPECT_EQ(0644u, LabDword(kFileServiceKey, "UnixFilePerms"));
    EXPECT_EQ(0u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(UnixFileSystem, EnterRightAfterOpeningCancels)
{
    StoreFileSystem({0, 0, 1, 0, 0755, 0644});
    WriteRecorder recorder;
    RunUnixFs([](HWND dialog) {
        EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
        PressKey(GetFocus(), VK_RETURN);
    });
    EXPECT_TRUE(recorder.Writes().empty());
}
