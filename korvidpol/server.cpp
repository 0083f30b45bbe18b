#include "korvidpol/server.h"

#include <lm.h>
#include <stdio.h>
#include <string.h>

#include "connection/netcalls.h"

namespace {

const char *const kRoleNames[] = {"member server", "primary domain controller",
                                  "backup domain controller"};

CRITICAL_SECTION &ErrorTextLock()
{
    static struct Lock {
        CRITICAL_SECTION section;
        Lock() { InitializeCriticalSection(&section); }
    } lock;
    return lock.section;
}

}  // namespace

void DescribeNetError(DWORD code, char *text, int capacity)
{
    // NetErrorText answers in one static buffer: one thread at a time.
    EnterCriticalSection(&ErrorTextLock());
    snprintf(text, capacity, "%s", NetErrorText(code));
    LeaveCriticalSection(&ErrorTextLock());
}

const char *RoleName(ServerRole role)
{
    return role >= RoleServer && role <= RoleBackupDomainController ? kRoleNames[role] : "";
}

bool ParseRoleName(const char *name, ServerRole *role)
{
    for (int i = 0; i < 3; i++) {
        if (lstrcmpiA(name, kRoleNames[i]) != 0) continue;
        *role = (ServerRole)i;
        return true;
    }
    return false;
}

void CloseServer(PolServer *server)
{
    if (server->root != NULL) Net().RegCloseKey(server->root);
    server->root = NULL;
}

LONG ReadRawValues(HKEY root, const char *keyPath, const char *const *names,
                   RawValue *const *values, int count)
{
    HKEY key = NULL;
    LONG status = Net().RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key);
    if (status == ERROR_FILE_NOT_FOUND) {
        for (int i = 0; i < count; i++) {
            values[i]->status = ERROR_FILE_NOT_FOUND;
            values[i]->type = REG_NONE;
            values[i]->size = 0;
        }
        return ERROR_SUCCESS;
    }
    if (status != ERROR_SUCCESS) return status;
    for (int i = 0; i < count; i++) {
        RawValue &value = *values[i];
        value.type = REG_NONE;
        value.size = sizeof(value.data);
        value.status = Net().RegQueryValueExA(key, names[i], NULL, &value.type, value.data, &value.size);
        if (value.status != ERROR_SUCCESS) value.size = 0;
    }
    Net().RegCloseKey(key);
    return ERROR_SUCCESS;
}

namespace {

const DWORD kDomainRoleBits = SV_TYPE_DOMAIN_CTRL | SV_TYPE_DOMAIN_BAKCTRL | SV_TYPE_DOMAIN_MEMBER;

void NoteRefused(ServerReport *report, const char *name, const char *what)
{
    AppendText(&report->out, "\\\\%s  refused: %s\n", name, what);
    report->failed = true;
}

void ReportNetError(ServerReport *report, const char *name, DWORD status)
{
    char text[kErrorTextChars];
    DescribeNetError(status, text, sizeof(text));
    AppendText(&report->err, "korvidpol: \\\\%s: %s\n", name, text);
    report->failed = true;
}

ServerRole RoleOf(DWORD serverType)
{
    if (serverType & SV_TYPE_DOMAIN_CTRL) return RolePrimaryDomainController;
    if (serverType & SV_TYPE_DOMAIN_BAKCTRL) return RoleBackupDomainController;
    return RoleServer;
}

}  // namespace

bool OpenServer(const char *given, PolServer *server, ServerReport *report)
{
    memset(server, 0, sizeof(*server));
    if (given[0] == '\\' && given[1] == '\\') given += 2;
    lstrcpynA(server->name, given, kNameChars);
    const char *name = server->name;
    WCHAR wide[kNameChars];
    if (MultiByteToWideChar(CP_ACP, 0, name, -1, wide, kNameChars) == 0) wide[0] = 0;

    LPBYTE buffer = NULL;
    NET_API_STATUS status = Net().NetWkstaGetInfo(wide, 100, &buffer);
    if (status != NERR_Success) {
        if (buffer != NULL) Net().NetApiBufferFree(buffer);
        ReportNetError(report, name, status);
        return false;
    }
    DWORD platform = ((WKSTA_INFO_100 *)buffer)->wki100_platform_id;
    Net().NetApiBufferFree(buffer);
    if (platform != PLATFORM_ID_NT) {
        NoteRefused(report, name, "not a Windows NT-platform computer");
        return false;
    }
    DWORD serverType = 0;
    buffer = NULL;
    if (Net().NetServerGetInfo(wide, 101, &buffer) == NERR_Success && buffer != NULL)
        serverType = ((SERVER_INFO_101 *)buffer)->sv101_type;
    if (buffer != NULL) Net().NetApiBufferFree(buffer);

    LONG connect = Net().RegConnectRegistryA(name, HKEY_LOCAL_MACHINE, &server->root);
    if (connect != ERROR_SUCCESS) {
        server->root = NULL;
        ReportNetError(report, name, (DWORD)connect);
        return false;
    }
    HKEY probe = NULL;
    if (Net().RegOpenKeyExA(server->root, "SOFTWARE\\VelmorServer\\CurrentVersion", 0, KEY_READ, &probe) !=
        ERROR_SUCCESS) {
        CloseServer(server);
        NoteRefused(report, name, "not a Velmor Server");
        return false;
    }
    Net().RegCloseKey(probe);
    if (!(serverType & kDomainRoleBits)) {
        CloseServer(server);
        NoteRefused(report, name, "a Velmor Server without a domain role");
        return false;
    }
    server->role = RoleOf(serverType);
    return true;
}
