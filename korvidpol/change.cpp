// The commands that write: apply (values an administrator could have chosen in the dialogs) and
// restore (values exactly as a file records them). Both check the whole file first, then work on
// the servers in parallel: classify, read, print what would change, keep an undo file, write.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "connection/netcalls.h"
#include "korvidpol/csv.h"
#include "korvidpol/korvidpol.h"
#include "korvidpol/names.h"
#include "korvidpol/policyfile.h"
#include "korvidpol/runner.h"
#include "korvidpol/undo.h"

namespace {

const char kDefaultBackupFolder[] = ".\\korvidpol-backup";
// The keys of one policy apply keeps open from the read to the write.
enum { kMaxKeptKeys = 4 };
// check's CSV columns; a row of every other kind has the same columns.
const char *const kCheckColumns[] = {"row", "server", "policy", "value", "stored", "baseline", "note"};
enum { kCheckColumnCount = sizeof(kCheckColumns) / sizeof(kCheckColumns[0]) };

struct ChangeJob {
    const PolOptions *options;
    const PolicyFile *file;
    bool restore;
    bool check;  // what apply would change, and nothing written
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
    // apply: each touched key, opened once for reading and writing, until the write closes it
    HKEY kept[kPolicyCount][kMaxKeptKeys];
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

// A check row of the server: its kind, and the policy, value, stored, baseline and note.
void AppendCheckRow(ServerReport *report, const char *kind, const ServerChange &change, const char *policy,
                    const char *value, const char *stored, const char *baseline, const char *note)
{
    char server[kNameChars + 2];
    snprintf(server, sizeof(server), "\\\\%s", change.server.name);
    const char *fields[kCheckColumnCount] = {kind, server, policy, value, stored, baseline, note};
    AppendCsvRow(&report->out, kCheckColumnCount, fields);
}

void AppendChange(ServerReport *report, const ServerChange &change, const ValueRef &ref, const char *name,
                  const RawValue &before, const RawValue &after)
{
    const ValueModel &value = ValueAt(ref);
    if (CsvOutput()) {
        TextBuffer stored, baseline;
        InitText(&stored);
        InitText(&baseline);
        FormatCsvValue(&stored, before, value.type);
        FormatCsvValue(&baseline, after, value.type);
        AppendCheckRow(report, "differs", change, PolicyAt(ref.policy).id, name, TextOf(&stored), TextOf(&baseline),
                       NULL);
        FreeText(&stored);
        FreeText(&baseline);
        return;
    }
    AppendText(&report->out, "\\\\%s  %s  %s  ", change.server.name, PolicyAt(ref.policy).id, name);
    AppendStoredValue(&report->out, before, value.type);
    AppendText(&report->out, " -> ");
    AppendStoredValue(&report->out, after, value.type);
    AppendText(&report->out, "\n");
}

void NoteSkip(ServerReport *report, const ServerChange &change, const FileValue &fileValue, const char *why)
{
    if (CsvOutput()) {
        AppendCheckRow(report, "skipped", change, PolicyAt(fileValue.ref.policy).id, fileValue.entry->name, NULL,
                       NULL, why);
        return;
    }
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

// The hive of a key path below HKEY_LOCAL_MACHINE: its first part ("SYSTEM").
size_t HiveLength(const char *path) { return strcspn(path, "\\"); }

bool SameHive(const char *a, const char *b)
{
    size_t length = HiveLength(a);
    return length == HiveLength(b) && _strnicmp(a, b, length) == 0;
}

// Whether a policy's written keys are flushed: only when no policy written after it has a key in
// the same hive, since RegFlushKey writes the whole hive of its key to storage.
bool FlushesAfter(const ServerChange &change, int p)
{
    for (int q = p + 1; q < kPolicyCount; q++)
        if (change.selected[q] != 0 && SameHive(PolicyAt(q).keys[0].path, PolicyAt(p).keys[0].path)) return false;
    return true;
}

struct KeptOpen {
    ServerChange *change;
    int policy;
};

// The model's open for a write: the key kept open since the read, else an open of its own.
LONG OpenKeptKey(void *context, const PolicyKey &key, int keyIndex, REGSAM access, BOOL writing, HKEY *handle)
{
    KeptOpen &open = *(KeptOpen *)context;
    HKEY &kept = open.change->kept[open.policy][keyIndex < kMaxKeptKeys ? keyIndex : 0];
    if (writing && keyIndex < kMaxKeptKeys && kept != NULL) {
        *handle = kept;
        kept = NULL;  // the model closes it
        return ERROR_SUCCESS;
    }
    LONG status = Net().RegOpenKeyExA(open.change->server.root, key.path, 0, access, handle);
    if (status != ERROR_SUCCESS) *handle = NULL;
    return status;
}

void CloseKeptKeys(ServerChange *change)
{
    for (int p = 0; p < kPolicyCount; p++)
        for (int k = 0; k < kMaxKeptKeys; k++)
            if (change->kept[p][k] != NULL) {
                Net().RegCloseKey(change->kept[p][k]);
                change->kept[p][k] = NULL;
            }
}

// Keys read but not to be written are closed as soon as the plan is made.
void CloseUnwrittenKeys(ServerChange *change)
{
    for (int p = 0; p < kPolicyCount; p++) {
        const PolicyModel &policy = PolicyAt(p);
        for (int k = 0; k < kMaxKeptKeys && k < policy.keyCount; k++) {
            bool written = false;
            for (int v = 0; v < policy.valueCount; v++)
                written = written || ((change->selected[p] >> v & 1) && policy.values[v].key == k);
            if (written || change->kept[p][k] == NULL) continue;
            Net().RegCloseKey(change->kept[p][k]);
            change->kept[p][k] = NULL;
        }
    }
}

// apply: each policy's changed values through the model, in its write order; false at a failure.
bool WriteApply(ServerChange *change, int *written, const char **failedName, LONG *status)
{
    KeptOpen open = {change, 0};
    PolicyTarget target = {change->server.root, change->server.role, change->server.name, OpenKeptKey, &open};
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
        open.policy = p;
        ok = WritePolicyFlushing(policy, target, change->values[p], change->selected[p], FlushesAfter(*change, p),
                                 write);
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
        // apply opens each key once, for the read and the write; a dry run or a check only reads.
        bool keep = !job.restore && !job.check && !job.options->dryRun && policy.keyCount <= kMaxKeptKeys;
        LONG status = SnapshotPolicyKeeping(change->server.root, policy, change->policies[p],
                                            keep ? change->kept[p] : NULL);
        if (status == ERROR_SUCCESS) continue;
        char text[kNetErrorBufferChars];
        FormatNetError((DWORD)status, text, sizeof(text));
        ReportServerError(report, change->server, "reading %s failed: %s", policy.id, text);
        return false;
    }
    return true;
}

// check: one line of the server's standing against the baseline; a server that differs fails.
void SummarizeCheck(const ServerChange &change, ServerReport *report)
{
    char summary[64] = "in line with the baseline";
    if (change.changes > 0)
        snprintf(summary, sizeof(summary), "%d value%s differ%s", change.changes, change.changes == 1 ? "" : "s",
                 change.changes == 1 ? "s" : "");
    if (CsvOutput()) AppendCheckRow(report, "summary", change, NULL, NULL, NULL, NULL, summary);
    else AppendText(&report->out, "\\\\%s  %s\n", change.server.name, summary);
    if (change.changes > 0) report->failed = true;
}

void ChangeServer(const ChangeJob &job, ServerChange *change, ServerReport *report)
{
    if (!ReadTouchedPolicies(job, change, report)) return;
    if (job.restore) PlanRestore(job, change, report);
    else PlanApply(job, change, report);
    CloseUnwrittenKeys(change);
    const char *name = change->server.name;
    if (job.check) {
        SummarizeCheck(*change, report);
        return;
    }
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
    if (OpenServerFrom(server, ListedOf(server).fromDomain, &change->server, report)) {
        ChangeServer(job, change, report);
        CloseKeptKeys(change);
        CloseServer(&change->server);
    }
    for (int p = 0; p < kPolicyCount; p++) {
        free(change->policies[p]);
        free(change->values[p]);
    }
    free(change);
}

int RunChange(const PolOptions &options, bool restore, bool check)
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
    ServerList list;
    InitServerList(&list);
    if (!ListServers(options.operands + 1, options.operandCount - 1, options.domain, &list)) {
        FreeServerList(&list);
        FreePolicyFile(file);
        return ExitUsage;
    }
    if (CsvOutput()) {
        TextBuffer header;
        InitText(&header);
        AppendCsvRow(&header, kCheckColumnCount, kCheckColumns);
        PrintText(STD_OUTPUT_HANDLE, &header);
        FreeText(&header);
    }
    ChangeJob job = {&options, file, restore, check, options.backupDir ? options.backupDir : kDefaultBackupFolder};
    int failed = RunServerList(list, options.parallel, RunChangeJob, &job);
    FreeServerList(&list);
    FreePolicyFile(file);
    return failed > 0 ? ExitFailed : ExitDone;
}

}  // namespace

int ApplyFile(const PolOptions &options) { return RunChange(options, false, false); }

int RestoreFile(const PolOptions &options) { return RunChange(options, true, false); }

int CheckBaseline(const PolOptions &options) { return RunChange(options, false, true); }
