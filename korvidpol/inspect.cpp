// The commands that only read: list, show, export and diff.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "korvidpol/csv.h"
#include "korvidpol/korvidpol.h"
#include "korvidpol/policyfile.h"
#include "korvidpol/undo.h"

namespace {

// ---------------------------------------------------------------------------------------------
// list
// ---------------------------------------------------------------------------------------------

void AppendRule(TextBuffer *out, const ValueModel &value)
{
    const NumberList &range = value.range;
    switch (value.rule) {
    case RuleFlag: AppendText(out, "0 or 1 (any other number counts as 1)"); break;
    case RuleInvertedFlag: AppendText(out, "0 or 1, its box checked at 0 (any other number counts as 1)"); break;
    case RuleNumberList:
        AppendText(out, "%lu to %lu, step %lu", (unsigned long)range.lower, (unsigned long)range.upper,
                   (unsigned long)range.step);
        break;
    case RuleOctalMask:
        AppendText(out, "octal mask of %d digits, 0 to 0%lo", value.limit, (unsigned long)range.upper);
        break;
    case RuleDaysOrSeconds:
        AppendText(out, "%lu to %lu days; or \"%s\" in seconds, 1 to %lu whole days",
                   (unsigned long)range.lower, (unsigned long)range.upper, value.alternate,
                   (unsigned long)value.alternateUpper);
        break;
    case RuleText: AppendText(out, "at most %d characters", value.limit); break;
    case RuleSeparator:
        AppendText(out, "1 to %d characters of \"%s\"", value.limit, value.characters ? value.characters : "");
        break;
    }
}

void AppendDefault(TextBuffer *out, const ValueModel &value)
{
    ValueData *data = (ValueData *)malloc(sizeof(ValueData));
    if (data == NULL) return;
    GetDefaultValue(value, data);
    if (value.type == REG_DWORD)
        AppendText(out, value.rule == RuleOctalMask ? "0%lo" : "%lu", (unsigned long)data->number);
    else
        AppendQuotedText(out, data->text, strlen(data->text));
    free(data);
}

// list's CSV columns: one row per value.
const char *const kListColumns[] = {"policy", "name", "key", "value", "type", "rule", "default", "roles", "optional"};
enum { kListColumnCount = sizeof(kListColumns) / sizeof(kListColumns[0]) };

void AppendValueRow(TextBuffer *out, const PolicyModel &policy, const char *name, const ValueModel &value,
                    const char *roles)
{
    TextBuffer rule, fallback;
    InitText(&rule);
    InitText(&fallback);
    AppendRule(&rule, value);
    ValueData *data = (ValueData *)malloc(sizeof(ValueData));
    if (data != NULL) {
        GetDefaultValue(value, data);
        if (value.type == REG_DWORD)
            AppendText(&fallback, value.rule == RuleOctalMask ? "0%lo" : "%lu", (unsigned long)data->number);
        else
            AppendBytes(&fallback, data->text, strlen(data->text));
        free(data);
    }
    const char *fields[kListColumnCount] = {policy.id, name, policy.keys[value.key].path, value.name,
                                            TypeName(value.type), TextOf(&rule), TextOf(&fallback), roles,
                                            value.optional ? "optional" : ""};
    AppendCsvRow(out, kListColumnCount, fields);
    FreeText(&rule);
    FreeText(&fallback);
}

}  // namespace

int ListPolicies(const PolOptions &)
{
    TextBuffer out;
    InitText(&out);
    if (CsvOutput()) AppendCsvRow(&out, kListColumnCount, kListColumns);
    for (int p = 0; p < kPolicyCount; p++) {
        const PolicyModel &policy = PolicyAt(p);
        char name[kPolicyNameChars];
        LoadPolicyName(policy, name, sizeof(name));
        if (!CsvOutput()) AppendText(&out, "%s%s  %s\n", p ? "\n" : "", policy.id, name);
        for (int k = 0; k < policy.keyCount && !CsvOutput(); k++) AppendText(&out, "  key  %s\n", policy.keys[k].path);
        for (int v = 0; v < policy.valueCount; v++) {
            const ValueModel &value = policy.values[v];
            char roles[96];
            DescribeRoles(value.roles, roles, sizeof(roles));
            if (CsvOutput()) {
                AppendValueRow(&out, policy, name, value, roles);
                continue;
            }
            AppendText(&out, "  %s  %s  ", value.name, TypeName(value.type));
            AppendRule(&out, value);
            AppendText(&out, "  default ");
            AppendDefault(&out, value);
            AppendText(&out, "  %s%s\n", roles, value.optional ? "  optional" : "");
        }
    }
    PrintText(STD_OUTPUT_HANDLE, &out);
    FreeText(&out);
    return ExitDone;
}

// ---------------------------------------------------------------------------------------------
// show and export: one server's values
// ---------------------------------------------------------------------------------------------

namespace {

// A server with the snapshot of the chosen policies.
struct ServerValues {
    PolServer server;
    PolicyChoice choice;
    PolicySnapshot policies[kPolicyCount];
};

ServerValues *NewServerValues() { return (ServerValues *)calloc(1, sizeof(ServerValues)); }

// Every chosen value of the server's role that could not be read (anything but missing) is an
// error line, and the command fails; the caller still shows or exports what was read.
void ReportUnreadable(const ServerValues *values, ServerReport *report)
{
    for (int p = 0; p < kPolicyCount; p++) {
        const PolicyModel &policy = PolicyAt(p);
        for (int v = 0; values->choice.chosen[p] && v < policy.valueCount; v++) {
            if (!ValueInRole(policy.values[v], values->server.role)) continue;
            for (int n = 0; n < kValueNames; n++) {
                const RawValue &raw = values->policies[p].values[v][n];
                const char *name = ValueName(policy.values[v], n);
                if (name == NULL || raw.status == ERROR_SUCCESS || raw.status == ERROR_FILE_NOT_FOUND) continue;
                char text[kNetErrorBufferChars];
                FormatNetError((DWORD)raw.status, text, sizeof(text));
                AppendText(&report->err, "korvidpol: \\\\%s: %s %s could not be read (%ld): %s\n",
                           values->server.name, policy.id, name, (long)raw.status, text);
                report->failed = true;
            }
        }
    }
}

// Opens the server and reads the chosen policies; prints its report when it fails.
bool ReadServerValues(const char *given, ServerValues *values, ServerReport *report)
{
    if (!OpenServer(given, &values->server, report)) return false;
    for (int p = 0; p < kPolicyCount; p++) {
        if (!values->choice.chosen[p]) continue;
        LONG status = SnapshotPolicy(values->server.root, PolicyAt(p), &values->policies[p]);
        if (status == ERROR_SUCCESS) continue;
        char text[kNetErrorBufferChars];
        FormatNetError((DWORD)status, text, sizeof(text));
        AppendText(&report->err, "korvidpol: \\\\%s: reading %s failed: %s\n", values->server.name,
                   PolicyAt(p).id, text);
        report->failed = true;
        CloseServer(&values->server);
        return false;
    }
    CloseServer(&values->server);
    ReportUnreadable(values, report);
    return true;
}

int FinishReport(ServerReport *report)
{
    PrintText(STD_OUTPUT_HANDLE, &report->out);
    PrintText(STD_ERROR_HANDLE, &report->err);
    FreeText(&report->out);
    FreeText(&report->err);
    return report->failed ? ExitFailed : ExitDone;
}

// What the dialog makes of a stored number: the shown number and the note where they differ.
void ShowNumber(TextBuffer *out, const ValueModel &value, const RawValue &raw, bool alternate)
{
    DWORD stored = 0;
    memcpy(&stored, raw.data, sizeof(stored));
    StoredValue *query = (StoredValue *)calloc(1, sizeof(StoredValue));
    if (query == NULL) return;
    query->queried = TRUE;
    query->type = raw.type;
    query->size = raw.size;
    query->alternate = alternate;
    query->data.number = stored;
    DWORD shown = ShownNumber(value, *query);
    free(query);
    AppendText(out, value.rule == RuleOctalMask ? "  shown %lo (octal)" : "  shown %lu", (unsigned long)shown);
    DWORD days = alternate ? stored / kSecondsPerDay : stored;
    CheckedValue checked;
    CheckNumber(value, days, &checked);
    bool offDay = alternate && stored % kSecondsPerDay != 0;
    if (checked.check == CheckPassed && !offDay && !(alternate && days > value.alternateUpper)) return;
    if (offDay) AppendText(out, "  note: not a whole number of days");
    else if (value.rule == RuleFlag || value.rule == RuleInvertedFlag) AppendText(out, "  note: a flag other than 0 and 1");
    else if (checked.check == CheckOffStep) AppendText(out, "  note: not a step of %lu", (unsigned long)value.range.step);
    else AppendText(out, "  note: out of range");
}

void ShowString(TextBuffer *out, const ValueModel &value, const RawValue &raw, bool plain)
{
    char *stored = (char *)calloc(kRegStringChars + 1, 1), *shown = (char *)calloc(kRegStringChars + 1, 1);
    if (stored != NULL && shown != NULL) {
        DWORD length = raw.size < (DWORD)kRegStringChars ? raw.size : (DWORD)kRegStringChars;
        memcpy(stored, raw.data, length);
        ShowText(value, stored, shown, kRegStringChars + 1);
        AppendText(out, "  shown ");
        if (plain) AppendBytes(out, shown, strlen(shown));
        else AppendQuotedText(out, shown, strlen(shown));
        CheckedValue *checked = (CheckedValue *)calloc(1, sizeof(CheckedValue));
        if (checked != NULL) CheckText(value, stored, checked);
        if (IsTextTooLong(value, stored))
            AppendText(out, "  note: too long, longer than %d characters", value.limit);
        else if (checked != NULL && checked->check != CheckPassed)
            AppendText(out, "  note: not a valid %s", value.rule == RuleSeparator ? "separator" : "text");
        free(checked);
    }
    free(stored);
    free(shown);
}

// What show says after the stored value: "  shown X" and "  note: Y", each where it applies.
void ShowBeyondStored(TextBuffer *out, const ValueModel &value, const RawValue &raw, bool alternate, bool plain)
{
    if (raw.status == ERROR_FILE_NOT_FOUND) {
        AppendText(out, value.optional ? "  note: missing, its box is disabled" : "  note: missing");
        return;
    }
    if (raw.status != ERROR_SUCCESS) {
        AppendText(out, raw.status == ERROR_MORE_DATA ? "  note: too long for the program's buffer"
                                                      : "  note: could not be read");
        return;
    }
    bool number = value.type == REG_DWORD;
    if (raw.type != value.type || (number && raw.size != sizeof(DWORD))) {
        AppendText(out, "  note: wrong type, not %s", TypeName(value.type));
        return;
    }
    if (number) ShowNumber(out, value, raw, alternate);
    else ShowString(out, value, raw, plain);
}

// show's CSV columns; the server's own row and a refusal have the same columns.
const char *const kShowColumns[] = {"row", "server", "policy", "value", "stored", "shown", "note"};
enum { kShowColumnCount = sizeof(kShowColumns) / sizeof(kShowColumns[0]) };

void AppendHeaderRow(TextBuffer *out, const char *const *columns, int count)
{
    if (CsvOutput()) AppendCsvRow(out, count, columns);
}

// One value as a CSV row: the shown text and the note taken from what the line would say.
void ShowValueRow(TextBuffer *out, const char *server, const PolicyModel &policy, const ValueModel &value,
                  const char *name, const RawValue &raw, const char *beyond)
{
    TextBuffer stored;
    InitText(&stored);
    FormatCsvValue(&stored, raw, value.type);
    char *shown = NULL;
    const char *note = strstr(beyond, "  note: ");
    const char *shownAt = strncmp(beyond, "  shown ", 8) == 0 ? beyond + 8 : NULL;
    if (shownAt != NULL) {
        size_t length = note != NULL ? (size_t)(note - shownAt) : strlen(shownAt);
        shown = (char *)calloc(length + 1, 1);
        if (shown != NULL) memcpy(shown, shownAt, length);
    }
    const char *fields[kShowColumnCount] = {"value", server, policy.id, name, TextOf(&stored), shown,
                                            note != NULL ? note + 8 : NULL};
    AppendCsvRow(out, kShowColumnCount, fields);
    free(shown);
    FreeText(&stored);
}

void ShowValue(TextBuffer *out, const char *server, const PolicyModel &policy, const ValueModel &value,
               const RawValue *names)
{
    int used = UsedName(value, names);
    const RawValue &raw = names[used];
    TextBuffer beyond;
    InitText(&beyond);
    ShowBeyondStored(&beyond, value, raw, used == 1, CsvOutput());
    if (CsvOutput()) {
        ShowValueRow(out, server, policy, value, ValueName(value, used), raw, TextOf(&beyond));
    } else {
        AppendText(out, "%s  %s  stored ", policy.id, ValueName(value, used));
        AppendStoredValue(out, raw, value.type);
        AppendBytes(out, TextOf(&beyond), beyond.length);
        AppendText(out, "\n");
    }
    FreeText(&beyond);
}

bool PrepareServer(const PolOptions &options, ServerValues **values)
{
    *values = NewServerValues();
    if (*values == NULL) {
        PrintLine(STD_ERROR_HANDLE, "korvidpol: out of memory\n");
        return false;
    }
    char error[kUsageErrorChars];
    if (!ChoosePolicies(options.operands + 1, options.operandCount - 1, &(*values)->choice, error,
                        sizeof(error))) {
        free(*values);
        *values = NULL;
        ReportUsage(error);
        return false;
    }
    return true;
}

}  // namespace

int ShowServer(const PolOptions &options)
{
    ServerValues *values = NULL;
    if (!PrepareServer(options, &values)) return values == NULL ? ExitUsage : ExitFailed;
    ServerReport report = {};
    AppendHeaderRow(&report.out, kShowColumns, kShowColumnCount);
    if (ReadServerValues(options.operands[0], values, &report)) {
        const PolServer &server = values->server;
        char label[kNameChars + 2];
        snprintf(label, sizeof(label), "\\\\%s", server.name);
        if (CsvOutput()) {
            const char *fields[kShowColumnCount] = {"server", label, NULL, NULL, NULL, NULL, RoleName(server.role)};
            AppendCsvRow(&report.out, kShowColumnCount, fields);
        } else {
            AppendText(&report.out, "%s  %s\n", label, RoleName(server.role));
        }
        for (int p = 0; p < kPolicyCount; p++) {
            if (!values->choice.chosen[p]) continue;
            const PolicyModel &policy = PolicyAt(p);
            for (int v = 0; v < policy.valueCount; v++)
                if (ValueInRole(policy.values[v], server.role))
                    ShowValue(&report.out, label, policy, policy.values[v], values->policies[p].values[v]);
        }
    }
    free(values);
    return FinishReport(&report);
}

int ExportServer(const PolOptions &options)
{
    ServerValues *values = NULL;
    if (!PrepareServer(options, &values)) return values == NULL ? ExitUsage : ExitFailed;
    ServerReport report = {};
    if (ReadServerValues(options.operands[0], values, &report)) {
        TextBuffer text;
        InitText(&text);
        SYSTEMTIME now;
        GetLocalTime(&now);
        char title[kNameChars + 32];
        snprintf(title, sizeof(title), "korvidpol export of \\\\%s", values->server.name);
        WriteRegHeader(&text, title, values->server.name, RoleName(values->server.role), now);
        bool chosen[kPolicyCount][kMaxPolicyValues] = {};
        for (int p = 0; p < kPolicyCount; p++)
            for (int v = 0; values->choice.chosen[p] && v < PolicyAt(p).valueCount; v++)
                chosen[p][v] = ValueInRole(PolicyAt(p).values[v], values->server.role);
        const PolicySnapshot *policies[kPolicyCount];
        for (int p = 0; p < kPolicyCount; p++) policies[p] = &values->policies[p];
        WritePolicyValues(&text, chosen, policies, false);
        DWORD status = ERROR_SUCCESS;
        if (text.cut) {
            AppendText(&report.err, "korvidpol: \\\\%s: the export ran out of memory\n", values->server.name);
            report.failed = true;
        } else if (options.outFile == NULL) {
            AppendBytes(&report.out, TextOf(&text), text.length);
        } else if (!WriteTextFile(options.outFile, text, &status)) {
            AppendText(&report.err, "korvidpol: %s: cannot write the export (error %lu)\n", options.outFile,
                       (unsigned long)status);
            report.failed = true;
        } else {
            char full[kUndoPathChars];
            if (!FullPathOf(options.outFile, full, sizeof(full), &status)) lstrcpynA(full, options.outFile, sizeof(full));
            AppendText(&report.out, "\\\\%s  exported to %s\n", values->server.name, full);
        }
        FreeText(&text);
    }
    free(values);
    return FinishReport(&report);
}

// ---------------------------------------------------------------------------------------------
// diff
// ---------------------------------------------------------------------------------------------

namespace {

struct DiffSource {
    char label[MAX_PATH + 8];
    unsigned roles;
    ServerRole role;
    bool hasRole;
    bool isFile;
    bool touched[kPolicyCount];
    PolicySnapshot policies[kPolicyCount];
};

// \\NAME is a server; \\host\share\file.kpol, with a further backslash, is a file.
bool IsServerSource(const char *text)
{
    return text[0] == '\\' && text[1] == '\\' && strchr(text + 2, '\\') == NULL && strchr(text + 2, '/') == NULL;
}

// A file: its values where it names them, every other value missing.
bool LoadFileSource(const char *path, DiffSource *source)
{
    PolicyFile *loaded = NewPolicyFile();
    if (loaded == NULL || !LoadPolicyFile(path, CheckNames, loaded)) {
        FreePolicyFile(loaded);
        return false;
    }
    snprintf(source->label, sizeof(source->label), "%s", path);
    source->isFile = true;
    source->roles = loaded->roles;
    source->hasRole = loaded->hasRole;
    source->role = loaded->role;
    for (int p = 0; p < kPolicyCount; p++) {
        source->touched[p] = loaded->touched[p];
        for (int v = 0; v < kMaxPolicyValues; v++)
            for (int n = 0; n < kValueNames; n++) source->policies[p].values[v][n].status = ERROR_FILE_NOT_FOUND;
    }
    // A name the model keeps once per role (Scripts) stands for every one of them.
    for (int i = 0; i < loaded->count; i++) {
        const ValueRef &ref = loaded->values[i].ref;
        const PolicyModel &policy = PolicyAt(ref.policy);
        for (int v = 0; v < policy.valueCount; v++) {
            const char *name = ValueName(policy.values[v], ref.nameIndex);
            if (name != NULL && lstrcmpiA(name, loaded->values[i].entry->name) == 0)
                EntryAsStored(*loaded->values[i].entry, &source->policies[ref.policy].values[v][ref.nameIndex]);
        }
    }
    FreePolicyFile(loaded);
    return true;
}

bool LoadServerSource(const char *name, const PolicyChoice &choice, DiffSource *source, ServerReport *report)
{
    ServerValues *values = NewServerValues();
    if (values == NULL) {
        AppendText(&report->err, "korvidpol: out of memory\n");
        report->failed = true;
        return false;
    }
    values->choice = choice;
    bool ok = ReadServerValues(name, values, report);
    if (ok) {
        snprintf(source->label, sizeof(source->label), "\\\\%s", values->server.name);
        source->role = values->server.role;
        source->hasRole = true;
        source->roles = RoleBit(values->server.role);
        memcpy(source->policies, values->policies, sizeof(source->policies));
    }
    free(values);
    return ok;
}

// diff's CSV columns (server: the source a refusal names).
const char *const kDiffColumns[] = {"row", "server", "policy", "value", "first", "second", "note"};
enum { kDiffColumnCount = sizeof(kDiffColumns) / sizeof(kDiffColumns[0]) };

void NoteSkipped(TextBuffer *out, const PolicyModel &policy, const ValueModel &value, const DiffSource &lacking,
                 const char *why)
{
    if (CsvOutput()) {
        char note[MAX_PATH + 200];
        snprintf(note, sizeof(note), "%s%s%s%s %s", lacking.label, lacking.hasRole ? " (" : "",
                 lacking.hasRole ? RoleName(lacking.role) : "", lacking.hasRole ? ")" : "", why);
        const char *fields[kDiffColumnCount] = {"skipped", NULL, policy.id, value.name, NULL, NULL, note};
        AppendCsvRow(out, kDiffColumnCount, fields);
        return;
    }
    AppendText(out, "%s  %s  skipped: %s", policy.id, value.name, lacking.label);
    if (lacking.hasRole) AppendText(out, " (%s)", RoleName(lacking.role));
    AppendText(out, " %s\n", why);
}

void AppendDifferenceRow(TextBuffer *out, const PolicyModel &policy, const ValueModel &value, int n,
                         const RawValue &a, const RawValue &b)
{
    TextBuffer first, second;
    InitText(&first);
    InitText(&second);
    FormatCsvValue(&first, a, value.type);
    FormatCsvValue(&second, b, value.type);
    const char *fields[kDiffColumnCount] = {"differs", NULL, policy.id, ValueName(value, n), TextOf(&first),
                                            TextOf(&second), NULL};
    AppendCsvRow(out, kDiffColumnCount, fields);
    FreeText(&first);
    FreeText(&second);
}

// Prints the differences of one policy; returns how many.
int DiffPolicy(TextBuffer *out, int p, const DiffSource &first, const DiffSource &second)
{
    const PolicyModel &policy = PolicyAt(p);
    int differences = 0;
    for (int v = 0; v < policy.valueCount; v++) {
        const ValueModel &value = policy.values[v];
        bool inFirst = (value.roles & first.roles) != 0, inSecond = (value.roles & second.roles) != 0;
        if (!inFirst && !inSecond) continue;
        if (!inFirst || !inSecond) {
            // A role with its own value of that name (Scripts) is noted once, from the first side.
            const DiffSource &lacking = inFirst ? second : first;
            bool ownValue = lacking.hasRole && FindPolicyValue(policy, value.name, lacking.role) >= 0;
            if (!ownValue) NoteSkipped(out, policy, value, lacking, "has no such value");
            else if (inFirst) NoteSkipped(out, policy, value, lacking, "holds a value of its own role");
            continue;
        }
        for (int n = 0; n < kValueNames; n++) {
            if (ValueName(value, n) == NULL) continue;
            const RawValue &a = first.policies[p].values[v][n], &b = second.policies[p].values[v][n];
            if (SameStoredValue(a, b)) continue;
            differences++;
            if (CsvOutput()) {
                AppendDifferenceRow(out, policy, value, n, a, b);
                continue;
            }
            AppendText(out, "%s  %s  ", policy.id, ValueName(value, n));
            AppendStoredValue(out, a, value.type);
            AppendText(out, " -> ");
            AppendStoredValue(out, b, value.type);
            AppendText(out, "\n");
        }
    }
    return differences;
}

}  // namespace

int DiffSources(const PolOptions &options)
{
    PolicyChoice choice;
    char error[kUsageErrorChars];
    if (!ChoosePolicies(options.operands + 2, options.operandCount - 2, &choice, error, sizeof(error)))
        return ReportUsage(error);
    DiffSource *sources = (DiffSource *)calloc(2, sizeof(DiffSource));
    if (sources == NULL) return ExitFailed;
    // Files first: a refused file refuses the command before any server is asked.
    bool filesRead = true;
    for (int i = 0; i < 2; i++)
        if (!IsServerSource(options.operands[i]))
            filesRead = LoadFileSource(options.operands[i], &sources[i]) && filesRead;
    if (!filesRead) {
        free(sources);
        return ExitUsage;
    }
    // Without policies named, files compare the policies they name.
    if (options.operandCount == 2 && (sources[0].isFile || sources[1].isFile))
        for (int p = 0; p < kPolicyCount; p++)
            choice.chosen[p] = sources[0].touched[p] || sources[1].touched[p];
    ServerReport report = {};
    AppendHeaderRow(&report.out, kDiffColumns, kDiffColumnCount);
    bool read = true;
    for (int i = 0; i < 2 && read; i++)
        if (!sources[i].isFile) read = LoadServerSource(options.operands[i], choice, &sources[i], &report);
    int differences = 0;
    for (int p = 0; read && p < kPolicyCount; p++)
        if (choice.chosen[p]) differences += DiffPolicy(&report.out, p, sources[0], sources[1]);
    free(sources);
    int code = FinishReport(&report);
    return code == ExitDone && differences > 0 ? ExitFailed : code;
}
