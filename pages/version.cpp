// The Version page: what the selected computer is. A Velmor Server with its version key shows
// the logo and up to nine lines from its registry; other systems show a system name and what
// their server service reports. The page is created anew on every visit of its tab, so
// everything is read again each time; no key or network buffer outlives the opening.
#include <windows.h>
#include <commctrl.h>
#include <lm.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "app/shell.h"
#include "app/tabhost.h"
#include "connection/batchread.h"
#include "connection/netcalls.h"
#include "connection/systemnames.h"
#include "connection/target.h"
#include "pages/pages.h"
#include "resources/resource.h"

namespace {

const char kVersionKeyPath[] = "SOFTWARE\\VelmorServer\\CurrentVersion";
const char kLanmanServerKeyPath[] = "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters";

enum {
    kFieldChars = 60,         // a shown field
    kVersionBuildChars = 50,  // version and build together, before "(Build )" is added
    kLogoWidth = 140,         // the bitmap is 147 wide; the list takes its left 140 columns
    kMessageChars = 2 * kTextChars + 200,  // two values of 600 and the words around them
    kLineChars = kNameChars + 64,          // a role line with the longest domain name
};

const COLORREF kLogoMask = RGB(255, 0, 255);

// A line of the version key shown under the field rule; word names the value in messages.
struct VersionLine {
    const char *valueName;
    const char *word;
    UINT labelId;
    int labelControl;
    int valueControl;
};

const VersionLine kVendorLine = {"VendorName", "VendorName", IDS_LABEL_VENDOR, IDC_VER_VENDOR_LABEL,
                                 IDC_VER_VENDOR};

// The lines after the role line, in their order on the page.
const VersionLine kLaterLines[] = {
    {"InstallDate", "InstallDateName", IDS_LABEL_INSTALL_DATE, IDC_VER_INSTALL_LABEL, IDC_VER_INSTALL},
    {"ProductId", "ProductIdName", IDS_LABEL_PRODUCT_ID, IDC_VER_PRODUCTID_LABEL, IDC_VER_PRODUCTID},
    {"UnixMachineName", "UnixMachineName", IDS_LABEL_UNIX_NAME, IDC_VER_UNIX_LABEL, IDC_VER_UNIX},
    {"OSName", "OSName", IDS_LABEL_OS, IDC_VER_OS_LABEL, IDC_VER_OS},
    {"PlatformName", "PlatformName", IDS_LABEL_PLATFORM, IDC_VER_PLATFORM_LABEL, IDC_VER_PLATFORM},
};

// The version key's values in the order they are read.
const char *const kVersionValues[] = {
    "CurrentVersion", "CurrentBuildName", "VendorName", "InstallDate",
    "ProductId",      "UnixMachineName",  "OSName",     "PlatformName",
};
enum { kVersionValueCount = sizeof kVersionValues / sizeof kVersionValues[0] };

// The version key as read: every value at once when the server allowed it, else (batched
// FALSE) each line queries its own value.
struct VersionReads {
    HKEY key;
    BOOL batched;
    char texts[kVersionValueCount][kTextChars];
};

const char kPrimaryFormat[] = "Primary Domain Controller in %s";
const char kBackupFormat[] = "Backup Domain Controller in %s";

void ShowPageMessage(HWND page, const char *caption, const char *format, ...)
{
    char text[kMessageChars];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    MessageBoxA(page, text, caption, MB_OK);
}

void ShowRegFailure(HWND page, const char *word, LONG status)
{
    ShowPageMessage(page, "", "VersionTabProc WM_INITDIALOG '%s', RegRet=%d", word, (int)status);
}

// Reads a value as text whatever its stored type. A value stored without a terminating zero
// ends after the bytes returned; one longer than the buffer fails with ERROR_MORE_DATA.
// text holds kTextChars and is empty after a failure.
LONG ReadValueText(HKEY key, const char *name, char *text)
{
    memset(text, 0, kTextChars);
    DWORD type = 0;
    DWORD size = kTextChars;
    LONG status = Net().RegQueryValueExA(key, name, NULL, &type, (LPBYTE)text, &size);
    if (status != ERROR_SUCCESS) {
        memset(text, 0, kTextChars);
        return status;
    }
    text[size < kTextChars - 1 ? size : kTextChars - 1] = '\0';
    return ERROR_SUCCESS;
}

// A batched value as its own query gives it: FALSE when that query would fail.
BOOL TakeBatchedText(const BatchedValue &value, char *text)
{
    memset(text, 0, kTextChars);
    if (value.size > kTextChars)
        return FALSE;
    memcpy(text, value.data, value.size);
    text[value.size < kTextChars - 1 ? value.size : kTextChars - 1] = '\0';
    return TRUE;
}

// Whether the lines of these texts would bring an over-length message.
BOOL BringsMessage(const VersionReads &reads)
{
    if (strlen(reads.texts[0]) + strlen(reads.texts[1]) > kVersionBuildChars)
        return TRUE;
    for (int i = 2; i < kVersionValueCount; ++i)
        if (strlen(reads.texts[i]) > kFieldChars)
            return TRUE;
    return FALSE;
}

// Every value of the version key in one round trip. Any value its own query would not take,
// or a text that brings a message, leaves the lines to their own queries, which give the exact
// messages in their order.
void ReadVersionKeyAtOnce(HKEY key, VersionReads *reads)
{
    reads->key = key;
    reads->batched = FALSE;
    BatchedValue batch[kVersionValueCount];
    for (int i = 0; i < kVersionValueCount; ++i)
        batch[i] = BatchedValue{kVersionValues[i], kTextChars, 0, 0, NULL};
    BYTE buffer[kVersionValueCount * kTextChars];
    if (QueryValuesAtOnce(GetRemoteRoot(), key, batch, kVersionValueCount, buffer, sizeof buffer) !=
        ERROR_SUCCESS)
        return;
    BOOL taken = TRUE;
    for (int i = 0; i < kVersionValueCount && taken; ++i)
        taken = TakeBatchedText(batch[i], reads->texts[i]);
    reads->batched = taken && !BringsMessage(*reads);
}

// The value's text from the batch, or from its own query.
LONG ReadVersionText(const VersionReads &reads, const char *name, char *text)
{
    for (int i = 0; reads.batched && i < kVersionValueCount; ++i) {
        if (strcmp(kVersionValues[i], name) == 0) {
            memcpy(text, reads.texts[i], kTextChars);
            return ERROR_SUCCESS;
        }
    }
    return ReadValueText(reads.key, name, text);
}

BOOL OpenPageKey(HWND page, const char *path, const char *word, HKEY *key)
{
    LONG status = ERROR_SUCCESS;
    RemoteOpen result = OpenRemoteKey(path, KEY_READ, FALSE, key, &status);
    if (result == RemoteKeyRefused)
        ShowRegFailure(page, word, status);
    return result == RemoteKeyOpened;
}

// The two layouts overlap: an empty static of the one not in use would paint over the other.
void HideControls(HWND page, int first, int last)
{
    for (int id = first; id <= last; ++id)
        ShowWindow(GetDlgItem(page, id), SW_HIDE);
}

void HideVelmorLayout(HWND page) { HideControls(page, IDC_VER_PRODUCT, IDC_VER_PLATFORM); }

void HideOtherLayout(HWND page) { HideControls(page, IDC_VER_SYSTEM, IDC_VER_ROW2_LABEL); }

void SetCutText(HWND page, int control, const char *text)
{
    char field[kFieldChars + 1];
    lstrcpynA(field, text, sizeof field);
    SetDlgItemTextA(page, control, field);
}

void SetLabel(HWND page, int control, UINT labelId)
{
    char label[kTextChars];
    LoadAppString(labelId, label);
    SetDlgItemTextA(page, control, label);
}

// An over-long text is reported and cut; an empty field leaves the line out.
void ShowField(HWND page, const char *text, UINT labelId, int labelControl, int valueControl)
{
    if (strlen(text) > kFieldChars)
        ShowPageMessage(page, "Too many characters!", "The string '%s' has more than %d characters",
                        text, kFieldChars);
    if (text[0] == '\0')
        return;
    SetLabel(page, labelControl, labelId);
    SetCutText(page, valueControl, text);
}

BOOL ShowQueriedLine(HWND page, const VersionReads &reads, const VersionLine &line)
{
    char text[kTextChars];
    LONG status = ReadVersionText(reads, line.valueName, text);
    if (status != ERROR_SUCCESS) {
        ShowRegFailure(page, line.word, status);
        return FALSE;
    }
    ShowField(page, text, line.labelId, line.labelControl, line.valueControl);
    return TRUE;
}

BOOL ShowVersionAndBuild(HWND page, const VersionReads &reads)
{
    char version[kTextChars];
    char build[kTextChars];
    LONG status = ReadVersionText(reads, "CurrentVersion", version);
    if (status != ERROR_SUCCESS) {
        ShowRegFailure(page, "VersionName", status);
        return FALSE;
    }
    status = ReadVersionText(reads, "CurrentBuildName", build);
    if (status != ERROR_SUCCESS) {
        ShowRegFailure(page, "BuildName", status);
        return FALSE;
    }
    int versionChars = (int)strlen(version);
    int buildChars = (int)strlen(build);
    if (versionChars + buildChars > kVersionBuildChars)
        ShowPageMessage(page, "Too Many characters!",
                        "Version '%s' (%d characters) and Build '%s' (%d charaters)\n"
                        "together have more than %d characters",
                        version, versionChars, build, buildChars, kVersionBuildChars);
    char line[2 * kTextChars + 16];
    snprintf(line, sizeof line, "%s (Build %s)", version, build);
    ShowField(page, line, IDS_LABEL_VERSION, IDC_VER_VERSION_LABEL, IDC_VER_VERSION);
    return TRUE;
}

// The domain controller texts; null for a server without either bit.
const char *DomainControllerFormat(DWORD serverType)
{
    if (serverType & SV_TYPE_DOMAIN_CTRL)
        return kPrimaryFormat;
    if (serverType & SV_TYPE_DOMAIN_BAKCTRL)
        return kBackupFormat;
    return NULL;
}

void ShowRoleLine(HWND page)
{
    const char *format = "Server in %s";
    switch (GetServerRole()) {
    case RolePrimaryDomainController: format = kPrimaryFormat; break;
    case RoleBackupDomainController: format = kBackupFormat; break;
    default: break;
    }
    char line[kLineChars];
    snprintf(line, sizeof line, format, GetDomainName());
    SetDlgItemTextA(page, IDC_VER_ROLE, line);
    SetLabel(page, IDC_VER_ROLE_LABEL, IDS_LABEL_ROLE);
}

// Lines 1 to 9 but 4, in their order; FALSE after a failed query (its message shown).
BOOL ShowVersionKeyLines(HWND page, HKEY key)
{
    VersionReads reads;
    ReadVersionKeyAtOnce(key, &reads);
    if (!ShowVersionAndBuild(page, reads) || !ShowQueriedLine(page, reads, kVendorLine))
        return FALSE;
    ShowRoleLine(page);
    for (const VersionLine &line : kLaterLines)
        if (!ShowQueriedLine(page, reads, line))
            return FALSE;
    return TRUE;
}

// The server's comment is cut without a message, and a failed query is not reported.
void ShowDescription(HWND page, HKEY key)
{
    char comment[kTextChars];
    if (ReadValueText(key, "srvcomment", comment) != ERROR_SUCCESS || comment[0] == '\0')
        return;
    SetLabel(page, IDC_VER_DESCR_LABEL, IDS_LABEL_DESCRIPTION);
    SetCutText(page, IDC_VER_DESCR, comment);
}

// TRUE when every line has been read, which sends the focus to the tabs.
BOOL ShowVelmorServer(HWND page)
{
    HideOtherLayout(page);
    char product[kTextChars];
    LoadAppString(IDS_PRODUCT_NAME, product);
    SetCutText(page, IDC_VER_PRODUCT, product);

    HKEY key = NULL;
    if (!OpenPageKey(page, kVersionKeyPath, "szVersionKey", &key))
        return FALSE;
    BOOL complete = ShowVersionKeyLines(page, key);
    Net().RegCloseKey(key);
    if (!complete)
        return FALSE;

    if (!OpenPageKey(page, kLanmanServerKeyPath, "LanmanServer Key", &key))
        return FALSE;
    ShowDescription(page, key);
    Net().RegCloseKey(key);
    return TRUE;
}

// Windows NT names itself by the length of its ProductType; FALSE ends the opening.
BOOL ShowWindowsNTName(HWND page)
{
    HKEY key = NULL;
    LONG status = ERROR_SUCCESS;
    RemoteOpen result = OpenRemoteKey(kProductOptionsKeyPath, KEY_READ, FALSE, &key, &status);
    if (result == RemoteConnectionLost)
        return FALSE;
    if (result == RemoteKeyRefused) {
        SetDlgItemTextA(page, IDC_VER_SYSTEM, kUnknownSystemName);
        return FALSE;
    }
    char productType[kTextChars];
    status = ReadValueText(key, "ProductType", productType);
    Net().RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        SetDlgItemTextA(page, IDC_VER_SYSTEM, kUnknownSystemName);
        return FALSE;
    }
    SetDlgItemTextA(page, IDC_VER_SYSTEM, WindowsNTName(productType));
    return TRUE;
}

BOOL ShowSystemName(HWND page)
{
    switch (GetPlatformKind()) {
    case PlatformWindowsNT:
        return ShowWindowsNTName(page);
    case PlatformVelmorServerNoVersionKey: {
        char product[kTextChars];
        LoadAppString(IDS_PRODUCT_NAME, product);
        SetCutText(page, IDC_VER_SYSTEM, product);
        return TRUE;
    }
    default:
        SetDlgItemTextA(page, IDC_VER_SYSTEM, FixedSystemName(PlatformLanManager));
        return TRUE;
    }
}

// Row 2 holds the role of a domain controller, else the comment; row 3 the comment after a role.
void ShowServerRows(HWND page, const SERVER_INFO_101 *info)
{
    char version[32];
    snprintf(version, sizeof version, "%lu.%lu", (unsigned long)info->sv101_version_major,
             (unsigned long)info->sv101_version_minor);
    SetDlgItemTextA(page, IDC_VER_ROW1, version);
    SetLabel(page, IDC_VER_ROW1_LABEL, IDS_LABEL_VERSION);

    char comment[kTextChars] = "";
    if (info->sv101_comment)
        NarrowName(info->sv101_comment, comment, kTextChars);
    comment[kTextChars - 1] = '\0';

    const char *roleFormat = DomainControllerFormat(info->sv101_type);
    if (roleFormat) {
        char role[kLineChars];
        snprintf(role, sizeof role, roleFormat, GetDomainName());
        SetDlgItemTextA(page, IDC_VER_ROW2, role);
        SetLabel(page, IDC_VER_ROW2_LABEL, IDS_LABEL_ROLE);
        if (comment[0] != '\0') {
            SetDlgItemTextA(page, IDC_VER_ROW3, comment);
            SetLabel(page, IDC_VER_ROW3_LABEL, IDS_LABEL_DESCRIPTION);
        }
    } else if (comment[0] != '\0') {
        SetDlgItemTextA(page, IDC_VER_ROW2, comment);
        SetLabel(page, IDC_VER_ROW2_LABEL, IDS_LABEL_DESCRIPTION);
    }
}

// A server service that does not answer leaves the system name alone.
void ShowOtherSystem(HWND page)
{
    if (!ShowSystemName(page))
        return;
    WCHAR name[kNameChars];
    CopyComputerNameWide(name);
    LPBYTE buffer = NULL;
    NET_API_STATUS status = Net().NetServerGetInfo(name, 101, &buffer);
    if (status == NERR_Success && buffer)
        ShowServerRows(page, (const SERVER_INFO_101 *)buffer);
    if (buffer)
        Net().NetApiBufferFree(buffer);
}

void ShowLogo(HWND page)
{
    HIMAGELIST list = ImageList_LoadImageA(GetAppInstance(), MAKEINTRESOURCEA(IDB_VELMOR_LOGO), kLogoWidth,
                                           0, kLogoMask, IMAGE_BITMAP, 0);
    if (!list)
        return;
    HICON icon = ImageList_GetIcon(list, 0, ILD_NORMAL);
    if (icon) {
        HICON previous = (HICON)SendDlgItemMessageA(page, IDC_VER_LOGO, STM_SETICON, (WPARAM)icon, 0);
        if (previous)
            DestroyIcon(previous);
    }
    ImageList_Destroy(list);
}

// A static control does not destroy the icon it was given: the page takes it back.
void ReleaseLogo(HWND page)
{
    HICON icon = (HICON)SendDlgItemMessageA(page, IDC_VER_LOGO, STM_SETICON, 0, 0);
    if (icon)
        DestroyIcon(icon);
}

void FinishOpening(HWND page, HCURSOR previousCursor, BOOL complete)
{
    PlacePage(page, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    SetCursor(previousCursor);
    UpdateWindow(page);
    SetFocus(GetDlgItem(GetMainWindow(), complete ? IDC_MAIN_TAB : IDC_MAIN_SELECT));
}

INT_PTR OpenVersionPage(HWND page)
{
    if (!Target().connected)
        return TRUE;
    HCURSOR previousCursor = SetCursor(LoadCursorA(NULL, IDC_WAIT));
    PlatformKind kind = GetPlatformKind();
    if (kind == PlatformVelmorServer || kind == PlatformVelmorServerNoVersionKey)
        ShowLogo(page);
    BOOL complete = FALSE;
    switch (kind) {
    case PlatformWindows95:
    case PlatformWindowsForWorkgroups:
        HideVelmorLayout(page);
        SetDlgItemTextA(page, IDC_VER_SYSTEM, FixedSystemName(kind));
        break;
    case PlatformWindowsNT:
    case PlatformVelmorServerNoVersionKey:
    case PlatformLanManager:
        HideVelmorLayout(page);
        ShowOtherSystem(page);
        break;
    default:
        complete = ShowVelmorServer(page);
        break;
    }
    FinishOpening(page, previousCursor, complete);
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK VersionTabProc(HWND page, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OpenVersionPage(page);
    case WM_DESTROY:
        ReleaseLogo(page);
        return FALSE;
    }
    return FALSE;
}
