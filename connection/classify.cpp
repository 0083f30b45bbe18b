// What a computer is: its workstation and server answers, and for a Windows NT-platform
// computer its registry, probed for the keys a Velmor Server has and for write access. No
// window and no message box: SelectComputer asks its questions from the result, and other
// programs classify computers from any thread.
#include "connection/target.h"

#include <cstring>

#include "connection/netcalls.h"

namespace {

const char kVersionKey[] = "SOFTWARE\\VelmorServer\\CurrentVersion";
const char kSystemResourcesKey[] = "SYSTEM\\CurrentControlSet\\Control\\SystemResources";
const char kParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\Parameters";

// The wait cursor around one call when asked; the previous cursor to put back.
HCURSOR BeginWait(BOOL waitCursor)
{
    return waitCursor ? SetCursor(LoadCursorA(NULL, IDC_WAIT)) : NULL;
}

void EndWait(BOOL waitCursor, HCURSOR previous)
{
    if (waitCursor)
        SetCursor(previous);
}

LONG OpenProbe(HKEY root, const char *path, REGSAM access, BOOL waitCursor)
{
    HKEY key = NULL;
    HCURSOR previous = BeginWait(waitCursor);
    LONG status = Net().RegOpenKeyExA(root, path, 0, access, &key);
    EndWait(waitCursor, previous);
    if (status == ERROR_SUCCESS)
        Net().RegCloseKey(key);
    return status;
}

PlatformKind KindOfWorkstation(DWORD platform, DWORD major, DWORD minor)
{
    if (platform == PLATFORM_ID_OS2 && major == 4 && minor == 0)
        return PlatformWindows95;
    if (platform == PLATFORM_ID_OS2 && major == 2 && minor == 2)
        return PlatformLanManager;
    if (platform == PLATFORM_ID_OS2 && major == 2 && minor == 51)
        return PlatformWindowsForWorkgroups;
    if (platform == PLATFORM_ID_NT)
        return PlatformWindowsNT;
    return PlatformNone;
}

// The workstation answer, then the server type while that answer is still held.
void QueryWorkstation(const WCHAR *wideName, BOOL waitCursor, ComputerClass *result)
{
    LPBYTE buffer = NULL;
    HCURSOR previous = BeginWait(waitCursor);
    NET_API_STATUS status = Net().NetWkstaGetInfo(const_cast<LMSTR>(wideName), 100, &buffer);
    EndWait(waitCursor, previous);
    if (status != NERR_Success || !buffer) {
        result->step = ClassifyWorkstation;
        result->status = status;
    } else {
        const WKSTA_INFO_100 *info = reinterpret_cast<const WKSTA_INFO_100 *>(buffer);
        result->platformId = info->wki100_platform_id;
        result->versionMajor = info->wki100_ver_major;
        result->versionMinor = info->wki100_ver_minor;
        result->workstationKind =
            KindOfWorkstation(result->platformId, result->versionMajor, result->versionMinor);
        if (result->workstationKind == PlatformNone) {
            result->step = ClassifyPlatform;
        } else {
            result->serverType = QueryServerTypeOf(wideName, waitCursor);
            result->role = RoleOfServerType(result->serverType);
            NarrowName(info->wki100_langroup, result->domainName, kNameChars);
        }
    }
    if (buffer)
        Net().NetApiBufferFree(buffer);
}

// Connects the registry and tells a Velmor Server by the keys present.
void ProbeRegistry(const char *name, BOOL waitCursor, ComputerClass *result)
{
    HCURSOR previous = BeginWait(waitCursor);
    LONG status = Net().RegConnectRegistryA(name, HKEY_LOCAL_MACHINE, &result->root);
    EndWait(waitCursor, previous);
    if (status != ERROR_SUCCESS) {
        result->root = NULL;
        result->step = ClassifyConnect;
        result->status = status;
        return;
    }
    if (OpenProbe(result->root, kVersionKey, KEY_READ, waitCursor) == ERROR_SUCCESS) {
        result->kind = PlatformVelmorServer;
        return;
    }
    status = OpenProbe(result->root, kSystemResourcesKey, KEY_READ, waitCursor);
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
        result->kind =
            status == ERROR_SUCCESS ? PlatformWindowsNT : PlatformVelmorServerNoVersionKey;
        return;
    }
    Net().RegCloseKey(result->root);
    result->root = NULL;
    result->step = ClassifyProbe;
    result->status = status;
}

}  // namespace

DWORD QueryServerTypeOf(const WCHAR *name, BOOL waitCursor)
{
    LPBYTE buffer = NULL;
    HCURSOR previous = BeginWait(waitCursor);
    NET_API_STATUS status = Net().NetServerGetInfo(const_cast<LMSTR>(name), 101, &buffer);
    EndWait(waitCursor, previous);
    DWORD type = (status == NERR_Success && buffer)
        ? reinterpret_cast<const SERVER_INFO_101 *>(buffer)->sv101_type : 0;
    if (buffer)
        Net().NetApiBufferFree(buffer);
    return type;
}

BOOL HasDomainPolicies(PlatformKind platformKind, DWORD serverType)
{
    const DWORD domainRoleBits =
        SV_TYPE_DOMAIN_CTRL | SV_TYPE_DOMAIN_BAKCTRL | SV_TYPE_DOMAIN_MEMBER;
    return platformKind == PlatformVelmorServer && (serverType & domainRoleBits) != 0;
}

ServerRole RoleOfServerType(DWORD serverType)
{
    if (serverType & SV_TYPE_DOMAIN_CTRL)
        return RolePrimaryDomainController;
    if (serverType & SV_TYPE_DOMAIN_BAKCTRL)
        return RoleBackupDomainController;
    return RoleServer;
}

void ClassifyComputer(const char *name, const WCHAR *wideName, BOOL waitCursor,
                      ComputerClass *result)
{
    ClassifyComputerWith(name, wideName, waitCursor, ProbeWriteAccess, result);
}

void ClassifyComputerWith(const char *name, const WCHAR *wideName, BOOL waitCursor,
                          ClassifyProbes probes, ComputerClass *result)
{
    memset(result, 0, sizeof(*result));
    WCHAR widened[kNameChars] = {0};
    if (!wideName) {
        MultiByteToWideChar(CP_ACP, 0, name, -1, widened, kNameChars);
        widened[kNameChars - 1] = L'\0';
        wideName = widened;
    }
    QueryWorkstation(wideName, waitCursor, result);
    if (result->step != ClassifyAccepted)
        return;
    result->kind = result->workstationKind;
    if (result->kind != PlatformWindowsNT)
        return;
    result->kind = PlatformNone;
    ProbeRegistry(name, waitCursor, result);
    if (result->step != ClassifyAccepted || probes == LeaveOutWriteProbe)
        return;
    result->writeAccess =
        OpenProbe(result->root, kParametersKey, KEY_WRITE, waitCursor) == ERROR_SUCCESS;
}

void NarrowName(const WCHAR *wide, char *narrow, int capacity)
{
    int i = 0;
    // A workstation answer from the network may carry no workgroup text at all.
    for (; wide && i < capacity - 1 && wide[i]; ++i)
        narrow[i] = wide[i] < 256 ? static_cast<char>(wide[i]) : '?';
    narrow[i] = '\0';
}
