// The selected computer: choosing it in the select-computer dialog, classifying it, connecting
// its registry and reconnecting after a broken connection.
#include "connection/target.h"

#include <cstdio>
#include <cstring>

#include "app/shell.h"
#include "connection/batchread.h"
#include "connection/netcalls.h"

namespace {

TargetComputer target;

const char kSelectAnother[] = "Select another computer?";

// The select-computer dialog asks for servers of every kind of domain.
const UINT kFocusDialogFlags = 0x001F0002;
const DWORD kFocusDialogHelpContext = 1031;
const int kMaxAttempts = 5;
// The system's select-computer library is in the system folder; the program's own folder (a
// Downloads folder, say) is never searched, so no library planted there runs with the
// administrator's rights. The lab's stand-in lies beside its program and asks for the standard search.
DWORD focusLibrarySearch = LOAD_LIBRARY_SEARCH_SYSTEM32;

typedef UINT (WINAPI *SystemFocusDialogProc)(HWND owner, UINT flags, LPWSTR name, UINT capacity,
                                             BOOL *okPressed, LPWSTR helpFile, DWORD helpContext);


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

// Without an owner the box is task-modal (ShowAppBox): no second selection or dialog starts
// behind it.
void ShowConnectionError(HWND owner, const char *text)
{
    ShowAppBox(owner, GetAppTitle(), MB_ICONERROR | MB_OK, "%s", text);
}

void CloseKeyIfHeld(HKEY *key)
{
    if (*key) {
        Net().RegCloseKey(*key);
        *key = NULL;
    }
}

// The question after a refused computer, ending in "Select another computer?".
void FormatRefusal(const char *name, const ComputerClass &found, char *question, int capacity)
{
    char error[320];
    switch (found.step) {
    case ClassifyPlatform:
        if (found.platformId == PLATFORM_ID_DOS)
            snprintf(question, capacity, "%s: a DOS/Windows system.\n%s", name, kSelectAnother);
        else
            snprintf(question, capacity, "%s: Unknown (WkstaInfo: %lu.%lu.%lu).\n%s", name,
                     (unsigned long)found.platformId, (unsigned long)found.versionMajor,
                     (unsigned long)found.versionMinor, kSelectAnother);
        break;
    case ClassifyProbe:
        snprintf(question, capacity, "%s: Failed to open Registry (%d).\n%s", name,
                 (int)found.status, kSelectAnother);
        break;
    case ClassifyWorkstation:
    case ClassifyConnect:
    case ClassifyAccepted:
        FormatNetError(found.status, error, sizeof(error));
        snprintf(question, capacity, "%s: %s\n%s", name, error, kSelectAnother);
        break;
    }
}

// What the workstation answer told, kept while the selection goes on (and put back with the
// snapshot when it fails).
void KeepWorkstationAnswer(const ComputerClass &found)
{
    target.serverType = found.serverType;
    target.domainName[0] = '\0';
    lstrcpynA(target.domainName, found.domainName, kNameChars);
    target.platformKind = found.workstationKind;
}

// Makes the connected registry the remote root.
void AcceptConnection(const ComputerClass &found)
{
    target.writeAccess = found.writeAccess;
    CloseRemoteRoot();
    target.remoteRoot = found.root;
}

// Shows the select-computer dialog once; 0 when the dialog function is unavailable.
int ShowFocusDialog(HWND owner, WCHAR *chosen, BOOL *okPressed)
{
    HMODULE library = LoadLibraryExA("ntlanman.dll", NULL, focusLibrarySearch);
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
void SetFocusLibrarySearch(DWORD loadFlags) { focusLibrarySearch = loadFlags; }
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
    return RoleOfServerType(GetServerType());
}

void CloseRemoteRoot()
{
    ForgetBatchRefusal(target.remoteRoot);
    CloseKeyIfHeld(&target.remoteRoot);
}

int QueryServerType(const WCHAR *name)
{
    target.serverType = QueryServerTypeOf(name, TRUE);
    return 1;
}

int SelectComputer(HWND owner, char *name)
{
    TargetSnapshot saved;
    TakeSnapshot(&saved, name);
    for (int attempt = 1;; ++attempt) {
        WCHAR chosen[kNameChars] = {0};
        BOOL okPressed = FALSE;
        if (!ShowFocusDialog(owner, chosen, &okPressed) || !okPressed)
            break;
        memcpy(target.computerNameWide, chosen, sizeof(chosen));
        NarrowName(chosen, name, kNameChars);

        ComputerClass found;
        ClassifyComputer(name, chosen, TRUE, &found);
        if (found.workstationKind != PlatformNone)
            KeepWorkstationAnswer(found);
        if (found.kind != PlatformNone) {
            target.platformKind = found.kind;
            if (found.root)
                AcceptConnection(found);
            return 1;
        }
        char question[kTextChars];
        FormatRefusal(name, found, question, sizeof(question));
        if (MessageBoxA(owner, question, GetAppTitle(), MB_ICONERROR | MB_YESNO) != IDYES)
            break;
        if (attempt >= kMaxAttempts) {
            ShowConnectionError(NULL, "Try too many times!");
            break;
        }
    }
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
    ShowAppBox(NULL, "Re-Connecting", MB_ICONERROR | MB_OK, "%s", text);
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
