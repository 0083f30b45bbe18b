// The commands that write: apply (values an administrator could have chosen in the dialogs) and
// restore (values exactly as a file records them). Both check the whole file first, then work on
// the servers in parallel: classify, read, print what would change, keep an undo file, write.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "connection/netcalls.h"
#include "korvidpol/korvidpol.h"
#include "korvidpol/policyfile.h"
#include "korvidpol/runner.h"
#include "korvidpol/undo.h"

namespace {

const char kDefaultBackupFolder[] = ".\\korvidpol-backup";

struct ChangeJob {
    const PolOptions *options;
    const PolicyFile *file;
    bool restore;
    const char *backupFolder;
};

// One server's work: what it holds, and what the file changes on it.
struct ServerChange {
    PolServer server;
    PolicySnapshot *policies[kPolicyCount];  // the policies the file touches, NULL for the others
    bool record[kPolicyCount][kMaxPolicyValues];  // the values its undo file records
    // apply: the values to write, per touched policy, as the model writes them
    ValueSelection selected[kPolicyCount];
    ValueData *values[kPolicyCount];  // kMaxPolicyValues each
    // restore: the file's values to write, in the order they are written
    const FileValue *restores[kRegFileEntries];
    int restoreCount;
    int changes;
};

void ReportServerError(ServerReport *report, const PolServer &server, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

void ReportServerError(ServerReport *report, const PolServer &server, const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    AppendText(&report->err, "korvidpol: \\\\%s: %s\n", server.name, text);
    report->failed = true;
}

void AppendChange(ServerReport *report, const ServerChange &change, const ValueRef &ref, const char *name,
                  const RawValue &before, const RawValue &after)
{
    const ValueModel &value = ValueAt(ref);
    AppendText(&report->out, "\\\\%s  %s  %s  ", change.server.name, PolicyAt(ref.policy).id, name);
    AppendStoredValue(&report->out, before, value.type);
    AppendText(&report->out, " -> ");
    AppendStoredValue(&report->out, after, value.type);
    AppendText(&report->out, "\n");
}

void NoteSkip(ServerReport *report, const ServerChange &change, const FileValue &fileValue, const char *why)
{
    AppendText(&report->out, "\\\\%s  %s  %s  skipped: %s\n", change.server.name,
               PolicyAt(fileValue.ref.policy).id, fileValue.entry->name, why);
}

// ---------------------------------------------------------------------------------------------
// apply: plan
// ---------------------------------------------------------------------------------------------

// The value of the same name in the server's layout: -1 when it has none, or when the file is of
// another role and holds that role's own value (Scripts: an export path is no import path).
int ServerValueIndex(const ChangeJob &job, const ServerChange &change, const FileValue &fileValue,
                     char *why, int capacity)
{
    const PolicyModel &policy = PolicyAt(fileValue.ref.policy);
    const ValueModel &value = ValueAt(fileValue.ref);
    int index = FindPolicyValue(policy, value.name, change.server.role);
    if (index < 0) {
        snprintf(why, capacity, "a %s has no such value", RoleName(change.server.role));
        return -1;
    }
    if (index != fileValue.ref.value && job.file->hasRole && job.file->role != change.server.role) {
        snprintf(why, capacity, "the file's value is a %s's, the server is a %s", RoleName(job.file->role),
                 RoleName(change.server.role));
        return -1;
    }
    return index;
}

// The value after the write, as the model writes it: the frequency into the value the server
// answers for (MaximumPasswordAge on a 4-byte query, else seconds), held to that value's bound.
int PlannedValue(const ValueModel &value, const ValueData &candidate, const RawValue *names, RawValue *after)
{
    int nameIndex = 0;
    after->status = ERROR_SUCCESS;
    after->type = value.type;
    if (value.type != REG_DWORD) {
        size_t length = strlen(candidate.text);
        after->size = (DWORD)length + 1;
        memcpy(after->data, candidate.text, length + 1);
        return 0;
    }
    DWORD number = candidate.number;
    if (value.rule == RuleDaysOrSeconds) {
        bool days = names[0].status == ERROR_SUCCESS && names[0].size <= sizeof(DWORD);
        DWORD upper = days ? value.range.upper : value.alternateUpper;
        if (number > upper) number = upper;
        if (number < 1) number = 1;
        if (!days) {
            number *= kSecondsPerDay;
            nameIndex = 1;
        }
    }
    after->size = sizeof(DWORD);
    memcpy(after->data, &number, sizeof(number));
    return nameIndex;
}

void PlanApply(const ChangeJob &job, ServerChange *change, ServerReport *report)
{
    RawValue *after = (RawValue *)malloc(sizeof(RawValue));
    if (after == NULL) return;
    for (int i = 0; i < job.file->count; i++) {
        const FileValue &fileValue = job.file->values[i];
        char why[160];
        int index = ServerValueIndex(job, *change, fileValue, why, sizeof(why));
        if (index < 0) {
            NoteSkip(report, *change, fileValue, why);
            continue;
        }
        int p = fileValue.ref.policy;
        const ValueModel &value = PolicyAt(p).values[index];
        const RawValue *names = change->policies[p]->values[index];
        int nameIndex = PlannedValue(value, fileValue.candidate, names, after);
        if (SameStoredValue(names[nameIndex], *after)) continue;
        AppendChange(report, *change, ValueRef{p, index, nameIndex}, ValueName(value, nameIndex),
                     names[nameIndex], *after);
        change->selected[p] |= (ValueSelection)1 << index;
        change->values[p][index] = fileValue.candidate;
        change->changes++;
    }
    free(after);
}

// ---------------------------------------------------------------------------------------------
// restore: plan
// ---------------------------------------------------------------------------------------------

// The position of a value in its policy's write order.
int WritePosition(const PolicyModel &policy, int value)
{
    if (policy.writeOrder == NULL) return value;
    for (int i = 0; i < policy.valueCount; i++)
        if (policy.writeOrder[i] == value) return i;
    return policy.valueCount;
}

int CompareWriteOrder(const void *left, const void *right)
{
    const ValueRef &a = (*(const FileValue *const *)left)->ref, &b = (*(const FileValue *const *)right)->ref;
    if (a.policy != b.policy) return a.policy - b.policy;
    const PolicyModel &policy = PolicyAt(a.policy);
    if (policy.values[a.value].key != policy.values[b.value].key)
        return policy.values[a.value].key - policy.values[b.value].key;
    int order = WritePosition(policy, a.value) - WritePosition(policy, b.value);
    return order != 0 ? order : a.nameIndex - b.nameIndex;
}

void PlanRestore(const ChangeJob &job, ServerChange *change, ServerReport *report)
{
    RawValue *after = (RawValue *)malloc(sizeof(RawValue));
    if (after == NULL) return;
    for (int i = 0; i < job.file->count; i++) {
        const FileValue &fileValue = job.file->values[i];
        const ValueRef &ref = fileValue.ref;
        const RawValue &before = change->policies[ref.policy]->values[ref.value][ref.nameIndex];
        change->record[ref.policy][ref.value] = true;
        EntryAsStored(*fileValue.entry, after);
        if (SameStoredValue(before, *after)) continue;
        AppendChange(report, *change, ref, ValueName(ValueAt(ref), ref.nameIndex), before, *after);
        change->restores[change->restoreCount++] = &fileValue;
        change->changes++;
    }
    qsort(change->restores, change->restoreCount, sizeof(change->restores[0]), CompareWriteOrder);
    free(after);
}

// ---------------------------------------------------------------------------------------------
// Undo file and writes
// ---------------------------------------------------------------------------------------------

// A value to be written that could not be read cannot be put back: nothing is written then.
bool CheckReadable(const ServerChange &change, ServerReport *report)
{
    for (int p = 0; p < kPolicyCount; p++) {
        const PolicyModel &policy = PolicyAt(p);
        for (int v = 0; v < policy.valueCount; v++)
            for (int n = 0; n < kValueNames && change.record[p][v]; n++) {
                const RawValue &raw = change.policies[p]->values[v][n];
                if (ValueName(policy.values[v], n) == NULL || raw.status == ERROR_SUCCESS ||
                    raw.status == ERROR_FILE_NOT_FOUND)
                    continue;
                ReportServerError(report, change.server, "%s %s could not be read (%ld): nothing written",
                                  policy.id, ValueName(policy.values[v], n), (long)raw.status);
                return false;
            }
    }
    return true;
}

bool WriteUndo(const ChangeJob &job, const ServerChange &change, char *path, int capacity, ServerReport *report)
{
    TextBuffer text;
    InitText(&text);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char title[kNameChars + 32];
    snprintf(title, sizeof(title), "korvidpol undo file of \\\\%s", change.server.name);
    WriteRegHeader(&text, title, change.server.name, RoleName(change.server.role), now);
    WritePolicyValues(&text, change.record, change.policies, true);
    DWORD status = ERROR_NOT_ENOUGH_MEMORY;
    bool ok = !text.cut && MakeFolder(job.backupFolder, &status) &&
              WriteUndoFile(job.backupFolder, change.server.name, now, text, path, capacity, &status);
    FreeText(&text);
    if (!ok) {
        ReportServerError(report, change.server, "cannot write the undo file in %s (error %lu): nothing written",
                          job.backupFolder, (unsigned long)status);
        return false;
    }
    AppendText(&report->out, "\\\\%s  undo file: %s\n", change.server.name, path);
    return true;
}

// apply: each policy's changed values through the model, in its write order; false at a failure.
bool WriteApply(ServerChange *change, int *written, const char **failedName, LONG *status)
{
    PolicyTarget target = {change->server.root, change->server.role, change->server.name, NULL, NULL};
    PolicyWrite *write = (PolicyWrite *)malloc(sizeof(PolicyWrite));
    if (write == NULL) return false;
    bool ok = true;
    for (int p = 0; p < kPolicyCount && ok; p++) {
        if (change->selected[p] == 0) continue;
        if (StopRequested()) {
            ok = false;
            break;
        }
        const PolicyModel &policy = PolicyAt(p);
        ok = WritePolicy(policy, target, change->values[p], change->selected[p], write);
        *written += write->written;
        if (!ok) {
            const PolicyFault &fault = write->fault;
            *failedName = fault.failure == FailureOpen ? policy.keys[fault.key].path
                                                       : policy.values[fault.value].name;
            *status = fault.status;
        }
    }
    free(write);
    return ok;
}

// restore: the file's values as they are, key by key, each key flushed after its writes. A failed
// flush is a note: the values are written, and the dialogs and apply go on after one as well.
bool WriteRestore(ServerChange *change, ServerReport *report, int *written, const char **failedName, LONG *status)
{
    const NetCalls &net = Net();
    for (int i = 0; i < change->restoreCount;) {
        if (StopRequested()) return false;
        const char *path = KeyPathOf(change->restores[i]->ref);
        HKEY key = NULL;
        *status = net.RegOpenKeyExA(change->server.root, path, 0, KEY_WRITE, &key);
        if (*status != ERROR_SUCCESS) {
            *failedName = path;
            return false;
        }
        for (; i < change->restoreCount && KeyPathOf(change->restores[i]->ref) == path; i++) {
            const RegFileEntry &entry = *change->restores[i]->entry;
            const char *name = ValueName(ValueAt(change->restores[i]->ref), change->restores[i]->ref.nameIndex);
            *status = entry.remove ? net.RegDeleteValueA(key, name)
                                   : net.RegSetValueExA(key, name, 0, entry.type, entry.data, entry.size);
            if (entry.remove && *status == ERROR_FILE_NOT_FOUND) *status = ERROR_SUCCESS;
            if (*status != ERROR_SUCCESS) {
                *failedName = name;
                net.RegCloseKey(key);
                return false;
            }
            (*written)++;
        }
        LONG flushed = net.RegFlushKey(key);
        net.RegCloseKey(key);
        if (flushed != ERROR_SUCCESS) {
            char text[kNetErrorBufferChars];
            FormatNetError((DWORD)flushed, text, sizeof(text));
            AppendText(&report->out, "\\\\%s  note: %s is written but could not be flushed: %s\n",
                       change->server.name, path, text);
        }
    }
    *status = ERROR_SUCCESS;
    return true;
}

bool ReadTouchedPolicies(const ChangeJob &job, ServerChange *change, ServerReport *report)
{
    for (int p = 0; p < kPolicyCount; p++) {
        if (!job.file->touched[p]) continue;
        const PolicyModel &policy = PolicyAt(p);
        for (int v = 0; v < policy.valueCount; v++)
            change->record[p][v] = ValueInRole(policy.values[v], change->server.role);
        change->policies[p] = (PolicySnapshot *)malloc(sizeof(PolicySnapshot));
        change->values[p] = (ValueData *)calloc(kMaxPolicyValues, sizeof(ValueData));
        if (change->policies[p] == NULL || change->values[p] == NULL) {
            ReportServerError(report, change->server, "out of memory");
            return false;
        }
        LONG status = SnapshotPolicy(change->server.root, policy, change->policies[p]);
        if (status == ERROR_SUCCESS) continue;
        char text[kNetErrorBufferChars];
        FormatNetError((DWORD)status, text, sizeof(text));
        ReportServerError(report, change->server, "reading %s failed: %s", policy.id, text);
        return false;
    }
    return true;
}

void ChangeServer(const ChangeJob &job, ServerChange *change, ServerReport *report)
{
    if (!ReadTouchedPolicies(job, change, report)) return;
    if (job.restore) PlanRestore(job, change, report);
    else PlanApply(job, change, report);
    const char *name = change->server.name;
    if (change->changes == 0) {
        AppendText(&report->out, "\\\\%s  no change\n", name);
        return;
    }
    if (job.options->dryRun || !CheckReadable(*change, report)) return;
    if (StopRequested()) {
        ReportServerError(report, change->server, "stopped before writing: nothing written");
        return;
    }
    char undo[kUndoPathChars];
    if (!WriteUndo(job, *change, undo, sizeof(undo), report)) return;
    int written = 0;
    const char *failedName = "";
    LONG status = ERROR_SUCCESS;
    bool ok = job.restore ? WriteRestore(change, report, &written, &failedName, &status)
                          : WriteApply(change, &written, &failedName, &status);
    if (ok) {
        AppendText(&report->out, "\\\\%s  %d value%s written\n", name, written, written == 1 ? "" : "s");
        return;
    }
    if (status == ERROR_SUCCESS && StopRequested()) {
        ReportServerError(report, change->server, "stopped before the next key; %d value%s written; undo file: %s",
                          written, written == 1 ? "" : "s", undo);
        return;
    }
    char text[kNetErrorBufferChars];
    FormatNetError((DWORD)status, text, sizeof(text));
    ReportServerError(report, change->server, "writing %s failed: %s; %d value%s written; undo file: %s",
                      failedName, text, written, written == 1 ? "" : "s", undo);
}

void RunChangeJob(void *context, const char *server, ServerReport *report)
{
    const ChangeJob &job = *(const ChangeJob *)context;
    ServerChange *change = (ServerChange *)calloc(1, sizeof(ServerChange));
    if (change == NULL) {
        AppendText(&report->err, "korvidpol: %s: out of memory\n", server);
        report->failed = true;
        return;
    }
    if (OpenServer(server, &change->server, report)) {
        ChangeServer(job, change, report);
        CloseServer(&change->server);
    }
    for (int p = 0; p < kPolicyCount; p++) {
        free(change->policies[p]);
        free(change->values[p]);
    }
    free(change);
}

int RunChange(const PolOptions &options, bool restore)
{
    PolicyFile *file = NewPolicyFile();
    if (file == NULL) {
        PrintLine(STD_ERROR_HANDLE, "korvidpol: out of memory\n");
        return ExitFailed;
    }
    if (!LoadPolicyFile(options.operands[0], restore ? CheckRestore : CheckApply, file)) {
        FreePolicyFile(file);
        return ExitUsage;
    }
    ChangeJob job = {&options, file, restore, options.backupDir ? options.backupDir : kDefaultBackupFolder};
    int failed = RunServers(options.operands + 1, options.operandCount - 1, options.parallel, RunChangeJob, &job);
    FreePolicyFile(file);
    return failed > 0 ? ExitFailed : ExitDone;
}

}  // namespace

int ApplyFile(const PolOptions &options) { return RunChange(options, false); }

int RestoreFile(const PolOptions &options) { return RunChange(options, true); }
