// UNIX File System Integration: record locks, files created on NFS volumes, who may create
// files in UNIX directories, and the permission bits of new files and directories.
#include "policies/policies.h"

#include <stdio.h>

#include "policy/policy.h"
#include "resources/resource.h"

namespace {

// The description's values, in its order.
enum { kUnixLocks, kRootOwns, kDirectoryCheck, kIgnorePerms, kDirectoryPerms, kFilePerms };

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

// Bypassing UNIX security makes the creation rule moot.
const int kCreationGroup[] = { IDC_UFS_CREATE_GROUP, IDC_UFS_CREATE_TEXT, IDC_UFS_SERVER_DIRS,
                               IDC_UFS_WRITE_PERM, IDC_UFS_READ_PERM };

// A permission mask as typed: octal digits up to the value's width.
struct PermissionField {
    int controlId;
    int value;
    const char *defaultText;
    const char *word;   // opens the field's messages
};

const PermissionField kFileField = { IDC_UFS_FILE_PERMS, kFilePerms, "2664", "File" };
const PermissionField kDirectoryField = { IDC_UFS_DIR_PERMS, kDirectoryPerms, "775", "Directory" };

const ValueModel &FileSystemValue(int index)
{
    return kUnixFsPolicy.values[index];
}

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
void ShowPermissions(HWND dialog, const PermissionField &field, DWORD shown)
{
    char digits[16];
    snprintf(digits, sizeof(digits), "%o", (unsigned)shown);
    SetDlgItemTextA(dialog, field.controlId, digits);
    SendDlgItemMessageA(dialog, field.controlId, EM_LIMITTEXT, FileSystemValue(field.value).limit,
                        0);
}

void OpenUnixFileSystem(HWND dialog)
{
    SelectedRadio() = 0;
    PolicyRead read;
    if (!ReadPolicyForDialog(dialog, kUnixFsPolicy, &read))
        return;
    DWORD shown[kMaxPolicyValues];
    for (int i = 0; i < kUnixFsPolicy.valueCount; ++i)
        shown[i] = ShownNumber(FileSystemValue(i), read.values[i]);
    SetCheck(dialog, IDC_UFS_UNIX_LOCKS, shown[kUnixLocks]);
    SetCheck(dialog, IDC_UFS_ROOT_OWNS, shown[kRootOwns]);
    SelectRadio(dialog, kRadioOfCheck[shown[kDirectoryCheck]]);
    SetCheck(dialog, IDC_UFS_BYPASS, shown[kIgnorePerms]);
    ShowPermissions(dialog, kFileField, shown[kFilePerms]);
    ShowPermissions(dialog, kDirectoryField, shown[kDirectoryPerms]);
    SetPolicyTexts(dialog, kTexts, ARRAYSIZE(kTexts));
    SetPolicyTitle(dialog, IDS_UNIX_FS);
    DisableOkAndDefaultWithoutAccess(dialog);
    UpdateWindow(dialog);
    // The stored number, not the box: only a stored 1 greys the group.
    EnableCreationPermissionGroup(dialog, read.values[kIgnorePerms].data.number);
    FocusPolicyControl(dialog, IDCANCEL);
}

void ShowDefaults(HWND dialog)
{
    SetCheck(dialog, IDC_UFS_UNIX_LOCKS, FileSystemValue(kUnixLocks).range.defaultValue);
    SetCheck(dialog, IDC_UFS_ROOT_OWNS, FileSystemValue(kRootOwns).range.defaultValue);
    SelectRadio(dialog, kRadioOfCheck[FileSystemValue(kDirectoryCheck).range.defaultValue]);
    SetCheck(dialog, IDC_UFS_BYPASS, FileSystemValue(kIgnorePerms).range.defaultValue);
    SetDlgItemTextA(dialog, kFileField.controlId, kFileField.defaultText);
    SetDlgItemTextA(dialog, kDirectoryField.controlId, kDirectoryField.defaultText);
    EnableCreationPermissionGroup(dialog, FileSystemValue(kIgnorePerms).range.defaultValue);
}

// The typed digits as a number, or FALSE after the field's message with its default put back.
BOOL AcceptPermissions(HWND dialog, const PermissionField &field, DWORD *value)
{
    char text[8];
    GetDlgItemTextA(dialog, field.controlId, text, FileSystemValue(field.value).limit + 1);
    if (text[0] == '\0') {
        RefuseTypedText(dialog, field.controlId, field.defaultText, "%s permission is not set.",
                        field.word);
        return FALSE;
    }
    CheckedValue checked;
    CheckTyped(FileSystemValue(field.value), text, &checked);
    if (checked.check != CheckPassed) {
        RefuseTypedText(dialog, field.controlId, field.defaultText,
                        "%s permission '%s' is not in octal.", field.word, text);
        return FALSE;
    }
    *value = checked.candidate.number;
    return TRUE;
}

void WriteUnixFileSystem(HWND dialog)
{
    ValueData values[kMaxPolicyValues];
    // The directory field is looked at only once the file field is accepted.
    if (!AcceptPermissions(dialog, kFileField, &values[kFilePerms].number)
        || !AcceptPermissions(dialog, kDirectoryField, &values[kDirectoryPerms].number))
        return;
    values[kUnixLocks].number = GetCheck(dialog, IDC_UFS_UNIX_LOCKS);
    values[kRootOwns].number = GetCheck(dialog, IDC_UFS_ROOT_OWNS);
    values[kDirectoryCheck].number = GetDirectoryCheck();
    values[kIgnorePerms].number = GetCheck(dialog, IDC_UFS_BYPASS);
    WritePolicyForDialog(dialog, kUnixFsPolicy, values, kEveryValue);
}

}  // namespace

INT_PTR CALLBACK UnixFileSystemDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OpenUnixFileSystem(dialog);
        return 0;
    case WM_CLOSE:
        return ClosePolicyDialog(dialog);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
        case IDC_DEFAULT:
            return PressPolicyButton(dialog, LOWORD(wParam), WriteUnixFileSystem, ShowDefaults);
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
    return 0;
}
