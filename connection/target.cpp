// The selected computer: choosing it in the select-computer dialog, classifying it, connecting
// its registry and reconnecting after a broken connection.
#include "connection/target.h"

#include <cstdio>
#include <cstring>

#include "app/shell.h"
#include "connection/netcalls.h"

namespace {

TargetComputer target;

const char kVersionKey[] = "SOFTWARE\\VelmorServer\\CurrentVersion";
const char kSystemResourcesKey[] = "SYSTEM\\CurrentControlSet\\Control\\SystemResources";
const char kParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\Parameters";
const char kSelectAnother[] = "Select another computer?";

// The select-computer dialog asks for servers of every kind of domain.
const UINT kFocusDialogFlags = 0x001F0002;
const DWORD kFocusDialogHelpContext = 1031;
const int kMaxAttempts = 5;

typedef UINT (WINAPI *SystemFocusDialogProc)(HWND owner, UINT flags, LPWSTR name, UINT capacity,
                                             BOOL *okPressed, LPWSTR helpFile, DWORD helpContext);

struct ErrorText {
    DWORD code;
    const char *text;
};

const ErrorText errorTexts[] = {
    {5, "Access is denied"},
    {51, "The remote computer is not available"},
    {53, "The network path was not found"},
    {58, "The specified server cannot perform the requested operation"},
    {59, "An unexpected network error occurred"},
    {65, "Network access is denied"},
    {67, "The network name cannot be found"},
    {124, "Invalid level parameter"},
    {161, "The specified path name is invalid"},
    {234, "More data available and buffer is too small"},
    {1365, "The logon session is not in a state consistent with the requested operation"},
    {1792, "An attempt was made to logon, but the network logon service was not started"},
    {2102, "Device driver not installed"},
    {2123, "Buffer too small for fixed-length data"},
    {2138, "Workstation service not installed"},
    {2141, "The server is not configured for this transaction"},
    {2351, "The specified computername is invalid"},
};
const char kUnreachable[] = "The server couldn't be reached.";

// What an attempt may overwrite before it knows whether it succeeds; put back when the
// selection fails, so that the title, the pages and the menu keep describing one computer.
struct TargetSnapshot {
    WCHAR computerNameWide[kNameChars];
    char name[kNameChars];
    DWORD serverType;
    PlatformKind platformKind;
    char domainName[kNameChars];
};

void TakeSnapshot(TargetSnapshot *snap, const char *name)
{
    memcpy(snap->computerNameWide, target.computerNameWide, sizeof(snap->computerNameWide));
    lstrcpynA(snap->name, name, kNameChars);
    snap->serverType = target.serverType;
    snap->platformKind = target.platformKind;
    memcpy(snap->domainName, target.domainName, sizeof(snap->domainName));
}

void RestoreSnapshot(const TargetSnapshot *snap, char *name)
{
    memcpy(target.computerNameWide, snap->computerNameWide, sizeof(target.computerNameWide));
    lstrcpynA(name, snap->name, kNameChars);
    target.serverType = snap->serverType;
    target.platformKind = snap->platformKind;
    memcpy(target.domainName, snap->domainName, sizeof(target.domainName));
}

HCURSOR BeginWait() { return SetCursor(LoadCursorA(NULL, IDC_WAIT)); }

// Without an owner the box is task-modal: every window of the thread is disabled while it
// shows, so that no second selection or dialog starts behind it.
UINT ErrorBoxFlags(HWND owner)
{
    return owner ? MB_ICONERROR | MB_OK : MB_ICONERROR | MB_OK | MB_TASKMODAL;
}

void ShowConnectionError(HWND owner, const char *text)
{
    MessageBoxA(owner, text, GetAppTitle(), ErrorBoxFlags(owner));
}

LONG OpenProbe(HKEY root, const char *path, REGSAM access)
{
    HKEY key = NULL;
    HCURSOR previous = BeginWait();
    LONG status = Net().RegOpenKeyExA(root, path, 0, access, &key);
    SetCursor(previous);
    if (status == ERROR_SUCCESS)
        Net().RegCloseKey(key);
    return status;
}

void CloseKeyIfHeld(HKEY *key)
{
    if (*key) {
        Net().RegCloseKey(*key);
        *key = NULL;
    }
}

// Classifies by the workstation answer; fills question when the computer is refused.
PlatformKind ClassifyWorkstation(const WKSTA_INFO_100 *info, const char *name, char *question, int capacity)
{
    DWORD platform = info->wki100_platform_id, major = info->wki100_ver_major, minor = info->wki100_ver_minor;
    if (platform == PLATFORM_ID_OS2 && major == 4 && minor == 0)
        return PlatformWindows95;
    if (platform == PLATFORM_ID_OS2 && major == 2 && minor == 2)
        return PlatformLanManager;
    if (platform == PLATFORM_ID_OS2 && major == 2 && minor == 51)
        return PlatformWindowsForWorkgroups;
    if (platform == PLATFORM_ID_NT)
        return PlatformWindowsNT;
    if (platform == PLATFORM_ID_DOS)
        snprintf(question, capacity, "%s: a DOS/Windows system.\n%s", name, kSelectAnother);
    else
        snprintf(question, capacity, "%s: Unknown (WkstaInfo: %lu.%lu.%lu).\n%s", name,
                 (unsigned long)platform, (unsigned long)major, (unsigned long)minor, kSelectAnother);
    return PlatformNone;
}

// Asks the workstation service what the computer is; PlatformNone with a question when refused.
PlatformKind QueryWorkstation(const char *name, char *question, int capacity)
{
    LPBYTE buffer = NULL;
    HCURSOR previous = BeginWait();
    NET_API_STATUS status = Net().NetWkstaGetInfo(target.computerNameWide, 100, &buffer);
    SetCursor(previous);
    PlatformKind kind = PlatformNone;
    if (status != NERR_Success || !buffer) {
        snprintf(question, capacity, "%s: %s\n%s", name, NetErrorText(status), kSelectAnother);
    } else {
        const WKSTA_INFO_100 *info = reinterpret_cast<const WKSTA_INFO_100 *>(buffer);
        kind = ClassifyWorkstation(info, name, question, capacity);
        if (kind != PlatformNone) {
            QueryServerType(target.computerNameWide);
            target.domainName[0] = '\0';
            NarrowName(info->wki100_langroup, target.domainName, kNameChars);
            target.platformKind = kind;
        }
    }
    if (buffer)
        Net().NetApiBufferFree(buffer);
    return kind;
}

// Connects a Windows NT-platform computer and tells a Velmor Server by the keys present.
PlatformKind ProbeRegistry(const char *name, HKEY *candidate, char *question, int capacity)
{
    CloseKeyIfHeld(candidate);
    HCURSOR previous = BeginWait();
    LONG status = Net().RegConnectRegistryA(name, HKEY_LOCAL_MACHINE, candidate);
    SetCursor(previous);
    if (status != ERROR_SUCCESS) {
        *candidate = NULL;
        snprintf(question, capacity, "%s: %s\n%s", name, NetErrorText(status), kSelectAnother);
        return PlatformNone;
    }
    if (OpenProbe(*candidate, kVersionKey, KEY_READ) == ERROR_SUCCESS)
        return PlatformVelmorServer;
    status = OpenProbe(*candidate, kSystemResourcesKey, KEY_READ);
    if (status == ERROR_SUCCESS)
        return PlatformWindowsNT;
    if (status == ERROR_FILE_NOT_FOUND)
        return PlatformVelmorServerNoVersionKey;
    CloseKeyIfHeld(candidate);
    snprintf(question, capacity, "%s: Failed to open Registry (%d).\n%s", name, (int)status, kSelectAnother);
    return PlatformNone;
}

// Makes the candidate root the remote root and probes write access on it.
void AcceptConnection(HKEY candidate)
{
    target.writeAccess = OpenProbe(candidate, kParametersKey, KEY_WRITE) == ERROR_SUCCESS;
    CloseRemoteRoot();
    target.remoteRoot = candidate;
}

// Shows the select-computer dialog once; 0 when the dialog function is unavailable.
int ShowFocusDialog(HWND owner, WCHAR *chosen, BOOL *okPressed)
{
    HMODULE library = LoadLibraryA("ntlanman.dll");
    if (!library) {
        ShowConnectionError(NULL, "Fail to load 'ntlanman.dll'.");
        return 0;
    }
    SystemFocusDialogProc dialog =
        reinterpret_cast<SystemFocusDialogProc>(reinterpret_cast<void *>(GetProcAddress(library, "I_SystemFocusDialog")));
    if (!dialog) {
        ShowConnectionError(NULL, "Fail to find the Select Computer dialog box function.");
        FreeLibrary(library);
        return 0;
    }
    WCHAR helpName[601];
    WCHAR helpPath[600];
    helpPath[0] = L'\0';
    MultiByteToWideChar(CP_ACP, 0, "network.hlp", -1, helpName, 601);
    // A help file that is not found, or whose path would not fit, is passed as an empty path.
    DWORD found = SearchPathW(NULL, helpName, NULL, 600, helpPath, NULL);
    if (found == 0 || found >= 600)
        helpPath[0] = L'\0';
    *okPressed = FALSE;
    dialog(owner, kFocusDialogFlags, chosen, kNameChars, okPressed, helpPath, kFocusDialogHelpContext);
    FreeLibrary(library);
    chosen[kNameChars - 1] = L'\0';
    return 1;
}

}  // namespace

TargetComputer &Target() { return target; }
HKEY GetRemoteRoot() { return target.remoteRoot; }
BOOL GetWriteAccess() { return target.writeAccess; }
DWORD GetServerType() { return target.serverType; }
const char *GetDomainName() { return target.domainName; }
PlatformKind GetPlatformKind() { return target.platformKind; }

int CopyComputerNameWide(WCHAR *buffer)
{
    memcpy(buffer, target.computerNameWide, sizeof(target.computerNameWide));
    buffer[kNameChars - 1] = L'\0';
    return 1;
}

ServerRole GetServerRole()
{
    DWORD type = GetServerType();
    if (type & SV_TYPE_DOMAIN_CTRL)
        return RolePrimaryDomainController;
    if (type & SV_TYPE_DOMAIN_BAKCTRL)
        return RoleBackupDomainController;
    return RoleServer;
}

void NarrowName(const WCHAR *wide, char *narrow, int capacity)
{
    int i = 0;
    // A workstation answer from the network may carry no workgroup text at all.
    for (; wide && i < capacity - 1 && wide[i]; ++i)
        narrow[i] = wide[i] < 256 ? static_cast<char>(wide[i]) : '?';
    narrow[i] = '\0';
}

void CloseRemoteRoot() { CloseKeyIfHeld(&target.remoteRoot); }

int QueryServerType(const WCHAR *name)
{
    LPBYTE buffer = NULL;
    HCURSOR previous = BeginWait();
    NET_API_STATUS status = Net().NetServerGetInfo(const_cast<LMSTR>(name), 101, &buffer);
    SetCursor(previous);
    target.serverType = (status == NERR_Success && buffer)
        ? reinterpret_cast<const SERVER_INFO_101 *>(buffer)->sv101_type : 0;
    if (buffer)
        Net().NetApiBufferFree(buffer);
    return 1;
}

int SelectComputer(HWND owner, char *name)
{
    TargetSnapshot saved;
    TakeSnapshot(&saved, name);
    HKEY candidate = NULL;
    for (int attempt = 1;; ++attempt) {
        WCHAR chosen[kNameChars] = {0};
        BOOL okPressed = FALSE;
        if (!ShowFocusDialog(owner, chosen, &okPressed) || !okPressed)
            break;
        memcpy(target.computerNameWide, chosen, sizeof(chosen));
        NarrowName(chosen, name, kNameChars);

        char question[kTextChars];
        PlatformKind kind = QueryWorkstation(name, question, sizeof(question));
        if (kind == PlatformWindowsNT) {
            kind = ProbeRegistry(name, &candidate, question, sizeof(question));
            if (kind != PlatformNone)
                target.platformKind = kind;
        }
        if (kind != PlatformNone) {
            if (kind == PlatformVelmorServer || kind == PlatformVelmorServerNoVersionKey || kind == PlatformWindowsNT)
                AcceptConnection(candidate);
            return 1;
        }
        if (MessageBoxA(owner, question, GetAppTitle(), MB_ICONERROR | MB_YESNO) != IDYES)
            break;
        if (attempt >= kMaxAttempts) {
            CloseKeyIfHeld(&candidate);
            ShowConnectionError(NULL, "Try too many times!");
            break;
        }
    }
    CloseKeyIfHeld(&candidate);
    RestoreSnapshot(&saved, name);
    return 0;
}

int ReconnectRegistry()
{
    HCURSOR previous = BeginWait();
    CloseRemoteRoot();
    HKEY root = NULL;
    LONG status = Net().RegConnectRegistryA(target.computerName, HKEY_LOCAL_MACHINE, &root);
    if (status != ERROR_SUCCESS)
        status = Net().RegConnectRegistryA(target.computerName, HKEY_LOCAL_MACHINE, &root);
    if (status == ERROR_SUCCESS) {
        target.remoteRoot = root;
        SetCursor(previous);
        return 1;
    }
    char text[kTextChars];
    snprintf(text, sizeof(text), "%s: %s\nSelect a different system.", target.computerName, NetErrorText(status));
    SetCursor(previous);
    MessageBoxA(NULL, text, "Re-Connecting", ErrorBoxFlags(NULL));
    return 0;
}

RemoteOpen OpenRemoteKey(const char *path, REGSAM access, BOOL waitCursor, HKEY *key, LONG *status)
{
    *key = NULL;
    HCURSOR previous = waitCursor ? BeginWait() : NULL;
    *status = Net().RegOpenKeyExA(GetRemoteRoot(), path, 0, access, key);
    if (waitCursor)
        SetCursor(previous);
    if (*status == ERROR_SUCCESS)
        return RemoteKeyOpened;
    *key = NULL;
    if (!ReconnectRegistry())
        return RemoteConnectionLost;
    *status = Net().RegOpenKeyExA(GetRemoteRoot(), path, 0, access, key);
    if (*status == ERROR_SUCCESS)
        return RemoteKeyOpened;
    *key = NULL;
    return RemoteKeyRefused;
}

const char *FormatNetErrorText(const char *text, DWORD code)
{
    static char result[kErrorTextChars + kErrorSuffixChars + 1];
    char suffix[kErrorSuffixChars + 1];
    memset(result, 0, sizeof(result));
    snprintf(suffix, sizeof(suffix), " (%lu).", (unsigned long)code);
    snprintf(result, sizeof(result), "%.*s%s", (int)kErrorTextChars, text, suffix);
    return result;
}

const char *NetErrorText(DWORD code)
{
    const char *text = kUnreachable;
    for (const ErrorText &row : errorTexts) {
        if (row.code == code) {
            text = row.text;
            break;
        }
    }
    return FormatNetErrorText(text, code);
}
