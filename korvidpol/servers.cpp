// servers: the computers of a domain as the browser lists them, each classified as korvidadm
// classifies a selected computer and named as its Version page names it.
#include <windows.h>
#include <lm.h>
#include <stdio.h>
#include <string.h>

#include "connection/netcalls.h"
#include "connection/systemnames.h"
#include "korvidpol/csv.h"
#include "korvidpol/korvidpol.h"
#include "korvidpol/names.h"
#include "korvidpol/server.h"

namespace {

const char kVersionKey[] = "SOFTWARE\\VelmorServer\\CurrentVersion";
const char *const kColumns[] = {"server", "kind", "role", "version", "build", "error"};
enum { kColumnCount = sizeof(kColumns) / sizeof(kColumns[0]), kFieldChars = 640 };

// What the list says of one computer; empty fields are left out of its line.
struct ComputerLine {
    char kind[kFieldChars];
    char role[kFieldChars];
    char version[kFieldChars];
    char build[kFieldChars];
    char error[kFieldChars];
};

// The role its server type bits give, a member server and no role told apart.
const char *DomainRoleText(DWORD serverType)
{
    if (serverType & (SV_TYPE_DOMAIN_CTRL | SV_TYPE_DOMAIN_BAKCTRL)) return RoleName(RoleOfServerType(serverType));
    return serverType & SV_TYPE_DOMAIN_MEMBER ? "member server" : "no role";
}

// A string value's text, or empty when it is not there as a string.
void TakeText(const RawValue &value, char *text)
{
    text[0] = 0;
    if (value.status != ERROR_SUCCESS || (value.type != REG_SZ && value.type != REG_EXPAND_SZ)) return;
    size_t length = strnlen((const char *)value.data, value.size);
    if (length >= (size_t)kFieldChars) length = kFieldChars - 1;
    memcpy(text, value.data, length);
    text[length] = 0;
}

// The version and build of a Velmor Server's version key.
void ReadVersion(HKEY root, ComputerLine *line)
{
    static const char *const names[] = {"CurrentVersion", "CurrentBuildName"};
    RawValue values[2];
    RawValue *pointers[2] = {&values[0], &values[1]};
    if (ReadRawValues(root, kVersionKey, names, pointers, 2) != ERROR_SUCCESS) return;
    TakeText(values[0], line->version);
    TakeText(values[1], line->build);
}

// A Windows NT computer names itself by its ProductType, as on the Version page.
void NameWindowsNT(HKEY root, ComputerLine *line)
{
    static const char *const names[] = {"ProductType"};
    RawValue value;
    RawValue *pointer = &value;
    char productType[kFieldChars] = "";
    LONG status = ReadRawValues(root, kProductOptionsKeyPath, names, &pointer, 1);
    if (status == ERROR_SUCCESS) TakeText(value, productType);
    bool read = status == ERROR_SUCCESS && value.status == ERROR_SUCCESS;
    lstrcpynA(line->kind, read ? WindowsNTName(productType) : kUnknownSystemName, kFieldChars);
}

void NameAccepted(const ComputerClass &computer, ComputerLine *line)
{
    lstrcpynA(line->role, DomainRoleText(computer.serverType), kFieldChars);
    const char *fixed = FixedSystemName(computer.kind);
    if (fixed != NULL) lstrcpynA(line->kind, fixed, kFieldChars);
    else if (computer.kind == PlatformWindowsNT) NameWindowsNT(computer.root, line);
    else LoadProductName(line->kind, kFieldChars);
    if (computer.kind == PlatformVelmorServer) ReadVersion(computer.root, line);
    else if (computer.kind == PlatformVelmorServerNoVersionKey) lstrcpynA(line->version, "no version key", kFieldChars);
}

void DescribeComputer(const char *name, ComputerLine *line)
{
    memset(line, 0, sizeof(*line));
    ComputerClass computer;
    ClassifyComputerWith(name, NULL, FALSE, LeaveOutWriteProbe, &computer);
    switch (computer.step) {
    case ClassifyWorkstation:
    case ClassifyConnect: FormatNetError(computer.status, line->error, kFieldChars); break;
    case ClassifyProbe: snprintf(line->error, kFieldChars, "Failed to open Registry (%d).", (int)computer.status); break;
    case ClassifyPlatform:
        if (computer.platformId == PLATFORM_ID_DOS) lstrcpynA(line->kind, "a DOS/Windows system", kFieldChars);
        else snprintf(line->kind, kFieldChars, "Unknown (WkstaInfo: %lu.%lu.%lu)", (unsigned long)computer.platformId,
                      (unsigned long)computer.versionMajor, (unsigned long)computer.versionMinor);
        break;
    case ClassifyAccepted: NameAccepted(computer, line); break;
    }
    if (computer.root != NULL) Net().RegCloseKey(computer.root);
}

void AppendComputerLine(TextBuffer *out, const char *name, const ComputerLine &line)
{
    char server[kNameChars + 2];
    snprintf(server, sizeof(server), "\\\\%s", name);
    if (CsvOutput()) {
        const char *fields[kColumnCount] = {server, line.kind, line.role, line.version, line.build, line.error};
        AppendCsvRow(out, kColumnCount, fields);
        return;
    }
    AppendText(out, "%s", server);
    const char *const fields[] = {line.error, line.kind, line.role};
    for (const char *field : fields)
        if (field[0] != 0) AppendText(out, "  %s", field);
    if (line.build[0] != 0) AppendText(out, "  %s (Build %s)", line.version, line.build);
    else if (line.version[0] != 0) AppendText(out, "  %s", line.version);
    AppendText(out, "\n");
}

void RunDescribeJob(void *, const char *server, ServerReport *report)
{
    ComputerLine line;
    DescribeComputer(server, &line);
    AppendComputerLine(&report->out, server, line);
}

}  // namespace

int ListDomainServers(const PolOptions &options)
{
    ServerList list;
    InitServerList(&list);
    char domain[kNameChars];
    NET_API_STATUS status = EnumerateDomain(options.domain, &list, domain);
    if (status != NERR_Success) {
        char text[kNetErrorBufferChars];
        FormatNetError(status, text, sizeof(text));
        PrintLine(STD_ERROR_HANDLE, "korvidpol: the computers of domain %s could not be listed: %s\n",
                  domain[0] ? domain : "(this computer's)", text);
        FreeServerList(&list);
        return ExitFailed;
    }
    if (CsvOutput()) {
        TextBuffer header;
        InitText(&header);
        AppendCsvRow(&header, kColumnCount, kColumns);
        PrintText(STD_OUTPUT_HANDLE, &header);
        FreeText(&header);
    }
    RunServerList(list, options.parallel, RunDescribeJob, NULL);
    FreeServerList(&list);
    return ExitDone;
}
