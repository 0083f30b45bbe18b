#include "korvidpol/server.h"

#include <lm.h>
#include <stdio.h>
#include <string.h>

#include "connection/batchread.h"
#include "connection/netcalls.h"
#include "korvidpol/csv.h"

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
    return ReadRawValuesKeeping(root, keyPath, names, values, count, NULL);
}

LONG ReadRawValuesKeeping(HKEY root, const char *keyPath, const char *const *names,
                          RawValue *const *values, int count, HKEY *kept)
{
    HKEY key = NULL;
    LONG status = ERROR_ACCESS_DENIED;
    if (kept != NULL) {
        *kept = NULL;
        status = Net().RegOpenKeyExA(root, keyPath, 0, KEY_READ | KEY_WRITE, &key);
        if (status == ERROR_SUCCESS) *kept = key;
    }
    // A key that will not open for writing is read all the same; its write fails later.
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        status = Net().RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key);
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
    if (kept == NULL || *kept == NULL) Net().RegCloseKey(key);
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

// A refused server fails; one a /domain: found is left out with a note.
void NoteRefused(ServerReport *report, const char *name, const char *what, bool fromDomain)
{
    const char *kind = fromDomain ? "left out" : "refused";
    if (CsvOutput()) {
        char server[kNameChars + 2];
        snprintf(server, sizeof(server), "\\\\%s", name);
        const char *fields[] = {kind, server, NULL, NULL, NULL, NULL, what};
        AppendCsvRow(&report->out, 7, fields);
    } else {
        AppendText(&report->out, "\\\\%s  %s: %s\n", name, kind, what);
    }
    if (!fromDomain) report->failed = true;
}

void ReportNetError(ServerReport *report, const char *name, const char *format, DWORD status, bool fromDomain)
{
    char text[kNetErrorBufferChars];
    if (format == NULL) FormatNetError(status, text, sizeof(text));
    else snprintf(text, sizeof(text), format, (int)status);
    if (fromDomain) {
        NoteRefused(report, name, text, true);
        return;
    }
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
    return OpenServerFrom(given, false, server, report);
}

bool OpenServerFrom(const char *given, bool fromDomain, PolServer *server, ServerReport *report)
{
    memset(server, 0, sizeof(*server));
    if (given[0] == '\\' && given[1] == '\\') given += 2;
    lstrcpynA(server->name, given, kNameChars);
    const char *name = server->name;
    ComputerClass computer;
    // korvidpol opens each key it writes for writing itself: no write-access probe.
    ClassifyComputerWith(name, NULL, FALSE, LeaveOutWriteProbe, &computer);
    switch (computer.step) {
    case ClassifyWorkstation:
    case ClassifyConnect: ReportNetError(report, name, NULL, computer.status, fromDomain); return false;
    case ClassifyProbe:
        ReportNetError(report, name, "Failed to open Registry (%d).", computer.status, fromDomain);
        return false;
    case ClassifyPlatform: NoteRefused(report, name, "a DOS, Windows or unknown system", fromDomain); return false;
    case ClassifyAccepted: break;
    }
    server->root = computer.root;
    if (computer.kind != PlatformVelmorServer) {
        NoteRefused(report, name, KindText(computer.kind), fromDomain);
        CloseServer(server);
        return false;
    }
    if (!HasDomainPolicies(computer.kind, computer.serverType)) {
        NoteRefused(report, name, "a Velmor Server without a domain role", fromDomain);
        CloseServer(server);
        return false;
    }
    server->role = computer.role;
    return true;
}
