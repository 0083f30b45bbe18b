// UNIX File System Integration: record locks, files created on NFS volumes, who may create
// files in UNIX directories, and the permission bits of new files and directories.
#include "policies/policies.h"

#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "policy/policy.h"
#include "resources/resource.h"

namespace {

const PolicyKey kFileSystemKeys[] = {
    { "UNIXFS", "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\FileServiceParameters",
      AccessHelpers },
};

// UnixDirectoryCheck: 0 write permission, 1 server's directories, 2 read permission; a larger
// number shows as 2.
const ValueModel kFileSystemValues[] = {
    FlagValue("UseUnixLocks", 0, ByValueName()),
    FlagValue("RootOwnsFilesCreatedOnNFS", 0, ByValueName()),
    ListValue("UnixDirectoryCheck", { 0, 2, 1, 1 }, ByValueName()),
    FlagValue("IgnoreUnixPermissions", 0, ByValueName()),
    MaskValue("UnixDirectoryPerms", 3, 0775, ByValueName()),
    MaskValue("UnixFilePerms", 4, 02664, ByValueName()),
};

}  // namespace

extern const PolicyModel kUnixFsPolicy = {
    "unixfs", IDS_UNIX_FS, kFileSystemKeys, ARRAYSIZE(kFileSystemKeys),
    kFileSystemValues, ARRAYSIZE(kFileSystemValues), NULL,
};

namespace {

const PolicyKey kKey = {
    "UNIXFS", "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\FileServiceParameters",
    AccessHelpers,
};

struct FileSystemRecord {
    DWORD useUnixLocks;
    DWORD rootOwnsFiles;
    DWORD directoryCheck;
    DWORD ignorePermissions;
    DWORD directoryPerms;
    DWORD filePerms;
};

const HelperValue kValues[] = {
    { "UseUnixLocks", REG_DWORD, offsetof(FileSystemRecord, useUnixLocks) },
    { "RootOwnsFilesCreatedOnNFS", REG_DWORD, offsetof(FileSystemRecord, rootOwnsFiles) },
    { "UnixDirectoryCheck", REG_DWORD, offsetof(FileSystemRecord, directoryCheck) },
    { "IgnoreUnixPermissions", REG_DWORD, offsetof(FileSystemRecord, ignorePermissions) },
    { "UnixDirectoryPerms", REG_DWORD, offsetof(FileSystemRecord, directoryPerms) },
    { "UnixFilePerms", REG_DWORD, offsetof(FileSystemRecord, filePerms) },
};

const PolicyText kTexts[] = {
    { IDC_UFS_LOCK_GROUP, IDS_UFS_LOCK_GROUP },
    { IDC_UFS_UNIX_LOCKS, IDS_UFS_UNIX_LOCKS },
    { IDC_UFS_LOCK_TEXT, IDS_UFS_LOCK_TEXT },
    { IDC_UFS_NFS_GROUP, IDS_UFS_NFS_GROUP },
    { IDC_UFS_ROOT_OWNS, IDS_UFS_ROOT_OWNS },
    { IDC_UFS_CREATE_GROUP, IDS_UFS_CREATE_GROUP },
    { IDC_UFS_CREATE_TEXT, IDS_UFS_CREATE_TEXT },
    { IDC_UFS_SERVER_DIRS, IDS_UFS_SERVER_DIRS },
    { IDC_UFS_WRITE_PERM, IDS_UFS_WRITE_PERM },
    { IDC_UFS_READ_PERM, IDS_UFS_READ_PERM },
    { IDC_UFS_PERMS_GROUP, IDS_UFS_PERMS_GROUP },
    { IDC_UFS_BYPASS, IDS_UFS_BYPASS },
    { IDC_UFS_FILE_LABEL, IDS_UFS_FILE_LABEL },
    { IDC_UFS_FILE_RANGE, IDS_UFS_FILE_RANGE },
    { IDC_UFS_DIR_LABEL, IDS_UFS_DIR_LABEL },
    { IDC_UFS_DIR_RANGE, IDS_UFS_DIR_RANGE },
};

// UnixDirectoryCheck 0, 1 and 2 in the order of the values, not of the buttons.
const int kRadioOfCheck[] = { IDC_UFS_WRITE_PERM, IDC_UFS_SERVER_DIRS, IDC_UFS_READ_PERM };
const DWORD kLastCheck = 2;
const DWORD kDefaultCheck = 1;

// Bypassing UNIX security makes the creation rule moot.
const int kCreationGroup[] = { IDC_UFS_CREATE_GROUP, IDC_UFS_CREATE_TEXT, IDC_UFS_SERVER_DIRS,
                               IDC_UFS_WRITE_PERM, IDC_UFS_READ_PERM };

// A permission mask as typed: octal digits up to the field's width.
struct PermissionField {
    int controlId;
    int digits;
    DWORD largest;
    const char *defaultText;
    const char *word;   // opens the field's messages
};

const PermissionField kFilePerms = { IDC_UFS_FILE_PERMS, 4, 07777, "2664", "File" };
const PermissionField kDirectoryPerms = { IDC_UFS_DIR_PERMS, 3, 0777, "775", "Directory" };

// The plain radio buttons do not select themselves: the dialog remembers which one it chose.
int &SelectedRadio()
{
    static int selected;
    return selected;
}

void SelectRadio(HWND dialog, int radioId)
{
    CheckRadioButton(dialog, IDC_UFS_SERVER_DIRS, IDC_UFS_READ_PERM, radioId);
    SelectedRadio() = radioId;
}

DWORD GetDirectoryCheck()
{
    for (DWORD check = 0; check < kLastCheck; ++check)
        if (kRadioOfCheck[check] == SelectedRadio())
            return check;
    return kLastCheck;
}

void EnableCreationPermissionGroup(HWND dialog, DWORD ignorePermissions)
{
    EnablePolicyControls(dialog, kCreationGroup, ARRAYSIZE(kCreationGroup), ignorePermissions != 1);
}

// A stored mask wider than its field is shown as the field's largest number, which OK then
// writes, rather than as digits the field would cut.
void ShowPermissions(HWND dialog, const PermissionField &field, DWORD stored)
{
    char digits[16];
    DWORD shown = stored > field.largest ? field.largest : stored;
    snprintf(digits, sizeof(digits), "%o", (unsigned)shown);
    SetDlgItemTextA(dialog, field.controlId, digits);
    SendDlgItemMessageA(dialog, field.controlId, EM_LIMITTEXT, field.digits, 0);
}

void OpenUnixFileSystem(HWND dialog)
{
    SelectedRadio() = 0;
    FileSystemRecord record = {};
    if (!ReadHelperValues(dialog, kKey, kValues, ARRAYSIZE(kValues), &record))
        return;
    SetCheck(dialog, IDC_UFS_UNIX_LOCKS, record.useUnixLocks != 0);
    SetCheck(dialog, IDC_UFS_ROOT_OWNS, record.rootOwnsFiles != 0);
    SelectRadio(dialog, kRadioOfCheck[record.directoryCheck > kLastCheck ? kLastCheck
                                                                         : record.directoryCheck]);
    SetCheck(dialog, IDC_UFS_BYPASS, record.ignorePermissions != 0);
    ShowPermissions(dialog, kFilePerms, record.filePerms);
    ShowPermissions(dialog, kDirectoryPerms, record.directoryPerms);
    SetPolicyTexts(dialog, kTexts, ARRAYSIZE(kTexts));
    SetPolicyTitle(dialog, IDS_UNIX_FS);
    FinishPolicyOpening(dialog);
    UpdateWindow(dialog);
    EnableCreationPermissionGroup(dialog, record.ignorePermissions);
    FocusPolicyControl(dialog, IDCANCEL);
}

void ShowDefaults(HWND dialog)
{
    SetCheck(dialog, IDC_UFS_UNIX_LOCKS, FALSE);
    SetCheck(dialog, IDC_UFS_ROOT_OWNS, FALSE);
    SelectRadio(dialog, kRadioOfCheck[kDefaultCheck]);
    SetCheck(dialog, IDC_UFS_BYPASS, FALSE);
    SetDlgItemTextA(dialog, kFilePerms.controlId, kFilePerms.defaultText);
    SetDlgItemTextA(dialog, kDirectoryPerms.controlId, kDirectoryPerms.defaultText);
    EnableCreationPermissionGroup(dialog, 0);
}

// The typed digits as a number, or FALSE after the field's message with its default put back.
BOOL AcceptPermissions(HWND dialog, const PermissionField &field, DWORD *value)
{
    char text[8];
    GetDlgItemTextA(dialog, field.controlId, text, field.digits + 1);
    if (text[0] == '\0') {
        RefuseTypedText(dialog, field.controlId, field.defaultText, "%s permission is not set.",
                        field.word);
        return FALSE;
    }
    if (text[strspn(text, "01234567")] != '\0') {
        RefuseTypedText(dialog, field.controlId, field.defaultText,
                        "%s permission '%s' is not in octal.", field.word, text);
        return FALSE;
    }
    *value = strtoul(text, NULL, 8);
    return TRUE;
}

void WriteUnixFileSystem(HWND dialog)
{
    FileSystemRecord record = {};
    // The directory field is looked at only once the file field is accepted.
    if (!AcceptPermissions(dialog, kFilePerms, &record.filePerms)
        || !AcceptPermissions(dialog, kDirectoryPerms, &record.directoryPerms))
        return;
    record.useUnixLocks = GetCheck(dialog, IDC_UFS_UNIX_LOCKS);
    record.rootOwnsFiles = GetCheck(dialog, IDC_UFS_ROOT_OWNS);
    record.directoryCheck = GetDirectoryCheck();
    record.ignorePermissions = GetCheck(dialog, IDC_UFS_BYPASS);
    WriteHelperValues(dialog, kKey, kValues, ARRAYSIZE(kValues), &record);
}

}  // namespace

INT_PTR CALLBACK UnixFileSystemDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OpenUnixFileSystem(dialog);
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_UFS_UNIX_LOCKS:
        case IDC_UFS_ROOT_OWNS:
            FlipCheck(dialog, LOWORD(wParam));
            return 1;
        case IDC_UFS_SERVER_DIRS:
        case IDC_UFS_WRITE_PERM:
        case IDC_UFS_READ_PERM:
            SelectRadio(dialog, LOWORD(wParam));
            return 1;
        case IDC_UFS_BYPASS:
            EnableCreationPermissionGroup(dialog, FlipCheck(dialog, IDC_UFS_BYPASS));
            return 1;
        }
        break;
    }
    return HandlePolicyButtons(dialog, message, wParam, WriteUnixFileSystem, ShowDefaults);
}
