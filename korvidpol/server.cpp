#include "korvidpol/server.h"

#include <lm.h>
#include <stdio.h>
#include <string.h>

#include "connection/batchread.h"
#include "connection/netcalls.h"

namespace {

const char *const kRoleNames[] = {"member server", "primary domain controller",
                                  "backup domain controller"};

}  // namespace

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

namespace {

// All values in one round trip, when every one of them is there and fits its buffer: exactly what
// their own queries would return. FALSE leaves the values to be read one by one.
BOOL ReadRawValuesAtOnce(HKEY root, HKEY key, const char *const *names, RawValue *const *values,
                         int count)
{
    if (count < 2 || count > kMaxBatchedValues)
        return FALSE;
    BatchedValue batch[kMaxBatchedValues] = {};
    for (int i = 0; i < count; i++) {
        batch[i].name = names[i];
        batch[i].capacity = sizeof(values[i]->data);
    }
    DWORD capacity = BatchBufferSize(batch, count);
    BYTE *buffer = (BYTE *)HeapAlloc(GetProcessHeap(), 0, capacity);
    if (buffer == NULL)
        return FALSE;
    BOOL taken = QueryValuesAtOnce(root, key, batch, count, buffer, capacity) == ERROR_SUCCESS;
    for (int i = 0; taken && i < count; i++) {
        values[i]->status = ERROR_SUCCESS;
        values[i]->type = batch[i].type;
        values[i]->size = batch[i].size;
        memcpy(values[i]->data, batch[i].data, batch[i].size);
    }
    HeapFree(GetProcessHeap(), 0, buffer);
    return taken;
}

}  // namespace

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
    if (!ReadRawValuesAtOnce(root, key, names, values, count)) {
        for (int i = 0; i < count; i++) {
            RawValue &value = *values[i];
            value.type = REG_NONE;
            value.size = sizeof(value.data);
            value.status = Net().RegQueryValueExA(key, names[i], NULL, &value.type, value.data, &value.size);
            if (value.status != ERROR_SUCCESS) value.size = 0;
        }
    }
    Net().RegCloseKey(key);
    return ERROR_SUCCESS;
}

namespace {


const struct {
    PlatformKind kind;
    const char *what;
} kRefusedKinds[] = {
    {PlatformVelmorServerNoVersionKey, "a Velmor Server without its version key"},
    {PlatformWindowsNT, "a Windows NT computer"},
    {PlatformWindows95, "a Windows 95 computer"},
    {PlatformWindowsForWorkgroups, "a Windows for Workgroups computer"},
    {PlatformLanManager, "a LAN Manager computer"},
};

void NoteRefused(ServerReport *report, const char *name, const char *what)
{
    AppendText(&report->out, "\\\\%s  refused: %s\n", name, what);
    report->failed = true;
}

void ReportNetError(ServerReport *report, const char *name, const char *format, DWORD status)
{
    char text[kNetErrorBufferChars];
    if (format == NULL) FormatNetError(status, text, sizeof(text));
    else snprintf(text, sizeof(text), format, (int)status);
    AppendText(&report->err, "korvidpol: \\\\%s: %s\n", name, text);
    report->failed = true;
}

const char *KindText(PlatformKind kind)
{
    for (const auto &refused : kRefusedKinds)
        if (refused.kind == kind) return refused.what;
    return "not a Velmor Server";
}

}  // namespace

bool OpenServer(const char *given, PolServer *server, ServerReport *report)
{
    memset(server, 0, sizeof(*server));
    if (given[0] == '\\' && given[1] == '\\') given += 2;
    lstrcpynA(server->name, given, kNameChars);
    const char *name = server->name;
    ComputerClass computer;
    ClassifyComputer(name, NULL, FALSE, &computer);
    switch (computer.step) {
    case ClassifyWorkstation:
    case ClassifyConnect: ReportNetError(report, name, NULL, computer.status); return false;
    case ClassifyProbe: ReportNetError(report, name, "Failed to open Registry (%d).", computer.status); return false;
    case ClassifyPlatform: NoteRefused(report, name, "a DOS, Windows or unknown system"); return false;
    case ClassifyAccepted: break;
    }
    server->root = computer.root;
    if (computer.kind != PlatformVelmorServer) {
        NoteRefused(report, name, KindText(computer.kind));
        CloseServer(server);
        return false;
    }
    if (!HasDomainPolicies(computer.kind, computer.serverType)) {
        NoteRefused(report, name, "a Velmor Server without a domain role");
        CloseServer(server);
        return false;
    }
    server->role = computer.role;
    return true;
}
