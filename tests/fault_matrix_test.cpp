// The fault matrix: from the model of every policy (Netlogon in its three layouts), a failure at
// every registry call point in turn — the open for reading, each query, each wrong type, each
// over-long string, the open for writing, each write, the flush — with the exact messages the
// model's step numbers or words give, the writes that happened before the failure and none
// after, no key left open, the focus back on the list, and the next dialog opening normally.
// The Version page and the computer selection have tables of their own. Every call the program
// makes in a clean run must have its row.
#include "tests/support/fault_testing.h"

#include <cstdarg>
#include <cstdio>
#include <map>
#include <set>

using namespace faulttest;
using policytest::ExpectPolicyBox;

namespace {

const DWORD kOpenCode = 5;     // access denied
const DWORD kQueryCode = 31;   // a device failure
const DWORD kWriteCode = 19;   // write-protected
const DWORD kFlushCode = 21;   // not ready
const DWORD kWrongType = REG_BINARY;
const char kAppTitle[] = "Korvid Administrator";

enum Owner { OwnedByDialog, OwnedByMain, NoOwner };

struct ExpectedBox {
    std::string text;
    std::string caption;
    UINT icon;
    std::vector<int> buttons;
    Owner owner;
};

ExpectedBox RegistryBox(const std::string &text, const char *caption, Owner owner)
{
    return ExpectedBox{ text, caption, 0, { IDOK }, owner };
}

std::string Format(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char *format, ...)
{
    char text[2048];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    return text;
}

// A call point where the program reaches the registry, as the lab counts and faults it.
struct CallPoint {
    std::string function;   // OpenRead, OpenWrite, Query, Set, Flush
    std::string path;       // key path, or key path \ value name
    bool operator<(const CallPoint &other) const
    {
        return function != other.function ? function < other.function : path < other.path;
    }
};

// One row: what is planted, what the user does, and what must follow.
struct MatrixRow {
    std::string name;
    CallPoint point;
    std::function<void(const char *computer)> plant;
    bool accept;                        // OK once the dialog shows (else Cancel)
    std::vector<ExpectedBox> boxes;
    bool shows;                         // the dialog shows after the boxes
    std::vector<std::string> writes;    // value names written, in order
};

// ---------------------------------------------------------------------------------------------
// The policy rows, from the model
// ---------------------------------------------------------------------------------------------

struct PolicyContext {
    const PolicyModel &policy;
    ServerRole role;
    const char *computer;
};

const char *Word(const PolicyModel &policy, const ValueModel &value)
{
    return ValueWord(policy, value);
}

Owner ReadOwner(const PolicyModel &policy, const ValueModel &value)
{
    return policy.keys[value.key].access == AccessHelpers ? NoOwner : OwnedByDialog;
}

// A failed read of the value at opening: its query (RegRet) or its type (dwType).
ExpectedBox ReadBox(const PolicyModel &policy, const ValueModel &value, bool typeFault, long code)
{
    const PolicyKey &key = policy.keys[value.key];
    const char *what = typeFault ? "dwType" : "RegRet";
    std::string text = key.access == AccessNumbered
        ? Format("%s - WM_INITDIALOG %d, %s=%ld", key.tag,
                 typeFault ? value.steps.typeStep : value.steps.readStep, what, code)
        : Format("%s - WM_INITDIALOG %s %d, %s=%ld", key.tag, Word(policy, value),
                 typeFault ? 2 : 1, what, code);
    return RegistryBox(text, "", ReadOwner(policy, value));
}

ExpectedBox QueryBox(const PolicyModel &policy, const ValueModel &value, LONG status)
{
    return ReadBox(policy, value, false, status);
}

ExpectedBox TypeBox(const PolicyModel &policy, const ValueModel &value, DWORD type)
{
    return ReadBox(policy, value, true, (long)type);
}

ExpectedBox WriteBox(const PolicyModel &policy, const ValueModel &value, LONG status)
{
    const PolicyKey &key = policy.keys[value.key];
    switch (key.access) {
    case AccessNumbered:
        return RegistryBox(Format("%s - WM_COMMAND %d, RegRet=%d", key.tag, value.steps.writeStep,
                                  (int)status), "Registry", OwnedByDialog);
    case AccessNamed:
        return RegistryBox(Format("%s - WM_COMMAND, %s RegRet=%d", key.tag, Word(policy, value),
                                  (int)status), "Registry", OwnedByDialog);
    case AccessHelpers:
        break;
    }
    return RegistryBox(Format("%s - WM_COMMAND, '%s', dwRegType=%d, RegRet=%d", key.tag,
                              value.name, (int)value.type, (int)status), "Registry", NoOwner);
}

ExpectedBox OpenWriteBox(const PolicyKey &key, LONG status)
{
    std::string step = key.access == AccessNumbered ? " 1" : "";
    return RegistryBox(Format("%s - WM_COMMAND%s, Fail to open '%s', RegRet=%d", key.tag,
                              step.c_str(), key.path, (int)status), "Registry", OwnedByDialog);
}

std::string ValuePath(const char *key, const char *name) { return std::string(key) + "\\" + name; }

// The name a value in days is written under: its own whenever it answers a query.
const char *WrittenName(const PolicyContext &context, const ValueModel &value)
{
    if (value.rule != RuleDaysOrSeconds)
        return value.name;
    const char *key = context.policy.keys[value.key].path;
    return LabRegValueExists(context.computer, key, value.name) ? value.name : value.alternate;
}

bool IsPresent(const PolicyContext &context, const ValueModel &value)
{
    return !value.optional ||
           LabRegValueExists(context.computer, context.policy.keys[value.key].path, value.name);
}

// The values OK writes, in order, up to the first failure that ends the writes: a write of
// the value `failing`, or the open of the key `refusedKey`.
std::vector<std::string> ExpectedWrites(const PolicyContext &context, int failing, int refusedKey)
{
    const PolicyModel &policy = context.policy;
    std::vector<std::string> names;
    for (int key = 0; key < policy.keyCount && key != refusedKey; ++key) {
        for (int position = 0; position < policy.valueCount; ++position) {
            int i = policy.writeOrder ? policy.writeOrder[position] : position;
            const ValueModel &value = policy.values[i];
            if (value.key != key || !ValueInRole(value, context.role) || !IsPresent(context, value))
                continue;
            names.push_back(WrittenName(context, value));
            if (i == failing && !value.optional)
                return names;
        }
    }
    return names;
}

std::string TooLongText(const ValueModel &value, int length)
{
    std::string text(length, 'a');
    if (value.characters)
        text.assign(length, value.characters[0]);
    return text;
}

void AddKeyRows(const PolicyContext &context, int key, std::vector<MatrixRow> &rows)
{
    const PolicyModel &policy = context.policy;
    const PolicyKey &policyKey = policy.keys[key];
    const char *path = policyKey.path;
    rows.push_back({ "open for reading", { "OpenRead", path },
                     [path](const char *computer) { LabSetFault(computer, "OpenRead", path, kOpenCode); },
                     false,
                     { RegistryBox(Format("%s - WM_INITDIALOG 1, RegRet=%d", policyKey.tag, (int)kOpenCode),
                                   "", OwnedByDialog) },
                     false, {} });
    rows.push_back({ "open for writing", { "OpenWrite", path },
                     [path](const char *computer) { LabSetFault(computer, "OpenWrite", path, kOpenCode); },
                     true, { OpenWriteBox(policyKey, kOpenCode) }, true,
                     ExpectedWrites(context, -1, key) });
    rows.push_back({ "flush", { "Flush", path },
                     [path](const char *computer) { LabSetFault(computer, "Flush", path, kFlushCode); },
                     true, {}, true, ExpectedWrites(context, -1, -1) });
}

void AddValueRows(const PolicyContext &context, int index, std::vector<MatrixRow> &rows)
{
    const PolicyModel &policy = context.policy;
    const ValueModel &value = policy.values[index];
    const char *key = policy.keys[value.key].path;
    const char *name = value.name;
    std::string valuePath = ValuePath(key, name);
    // A value in days that fails is looked for in seconds too: both fail for the message.
    const char *alternate = value.alternate;
    std::string alternatePath = alternate ? ValuePath(key, alternate) : "";
    bool optional = value.optional;

    std::vector<ExpectedBox> queryBoxes;
    if (!optional)
        queryBoxes.push_back(QueryBox(policy, value, kQueryCode));
    rows.push_back({ "query", { "Query", valuePath },
                     [valuePath, alternatePath](const char *computer) {
                         LabSetFault(computer, "QueryValue", valuePath.c_str(), kQueryCode);
                         if (!alternatePath.empty())
                             LabSetFault(computer, "QueryValue", alternatePath.c_str(), kQueryCode);
                     },
                     false, queryBoxes, optional, {} });

    std::vector<ExpectedBox> typeBoxes;
    if (!optional)
        typeBoxes.push_back(TypeBox(policy, value, kWrongType));
    rows.push_back({ "wrong type", { "Type", valuePath },
                     [key, name](const char *computer) {
                         LabSetRegValue(computer, key, name, kWrongType, "\1\0\0\0", 4);
                     },
                     false, typeBoxes, optional, {} });

    if (value.type != REG_DWORD) {
        // Longer than the field: the warning (or a silent cut), then the dialog shows.
        std::string longer = TooLongText(value, value.limit + 1);
        std::vector<ExpectedBox> warning;
        if (value.warning)
            warning.push_back({ Format(value.warning, value.limit, value.limit), kAppTitle,
                                MB_ICONHAND, { IDOK }, OwnedByDialog });
        DWORD type = value.type;
        rows.push_back({ "over-long string", { "Long", valuePath },
                         [key, name, type, longer](const char *computer) {
                             LabSetRegValue(computer, key, name, type, longer.c_str(),
                                            (DWORD)longer.size() + 1);
                         },
                         false, warning, true, {} });
        // Longer than the read buffer: the query's own failure, 234.
        std::string overflow = TooLongText(value, kRegStringChars + 1);
        rows.push_back({ "string over the buffer", { "Overflow", valuePath },
                         [key, name, type, overflow](const char *computer) {
                             LabSetRegValue(computer, key, name, type, overflow.c_str(),
                                            (DWORD)overflow.size() + 1);
                         },
                         false, { QueryBox(policy, value, ERROR_MORE_DATA) }, false, {} });
    }

    std::string written = WrittenName(context, value);
    std::string writtenPath = ValuePath(key, written.c_str());
    std::vector<ExpectedBox> writeBoxes = { WriteBox(policy, value, kWriteCode) };
    if (IsPresent(context, value))
        rows.push_back({ "write", { "Set", writtenPath },
                         [writtenPath](const char *computer) {
                             LabSetFault(computer, "SetValue", writtenPath.c_str(), kWriteCode);
                         },
                         true, writeBoxes, true, ExpectedWrites(context, index, -1) });
}

std::vector<MatrixRow> PolicyRows(const PolicyContext &context)
{
    std::vector<MatrixRow> rows;
    for (int key = 0; key < context.policy.keyCount; ++key)
        AddKeyRows(context, key, rows);
    for (int i = 0; i < context.policy.valueCount; ++i)
        if (ValueInRole(context.policy.values[i], context.role))
            AddValueRows(context, i, rows);
    return rows;
}

// ---------------------------------------------------------------------------------------------
// Running rows
// ---------------------------------------------------------------------------------------------

void ExpectBox(const BoxRecord &box, const ExpectedBox &expected, HWND dialog,
               const std::string &row)
{
    EXPECT_EQ(expected.text, box.text) << row;
    EXPECT_EQ(expected.caption, box.caption) << row;
    EXPECT_EQ(expected.icon, box.icon) << row;
    EXPECT_EQ(expected.buttons, box.buttons) << row;
    switch (expected.owner) {
    case NoOwner: EXPECT_EQ(nullptr, box.owner) << row; break;
    case OwnedByMain: EXPECT_EQ(GetMainWindow(), box.owner) << row; break;
    case OwnedByDialog:
        EXPECT_TRUE(box.owner && box.owner != GetMainWindow()) << row;
        if (dialog) {
            EXPECT_EQ(dialog, box.owner) << row;
        }
        break;
    }
}

void ExpectBoxes(const Driver &driver, size_t first, const std::vector<ExpectedBox> &expected,
                 HWND dialog, const std::string &row)
{
    const std::vector<BoxRecord> &boxes = driver.Boxes();
    ASSERT_EQ(expected.size(), boxes.size() - first) << row;
    for (size_t i = 0; i < expected.size(); ++i)
        ExpectBox(boxes[first + i], expected[i], dialog, row);
}

// Puts every value of the keys back as it was.
void RestoreKeys(const char *computer, const std::vector<const char *> &keys,
                 const std::vector<std::vector<StoredBytes>> &saved)
{
    for (size_t k = 0; k < keys.size(); ++k) {
        for (const StoredBytes &now : ReadKeyBytes(computer, keys[k]))
            LabDeleteRegValue(computer, keys[k], now.name.c_str());
        for (const StoredBytes &value : saved[k])
            LabSetRegValue(computer, keys[k], value.name.c_str(), value.type, value.bytes.data(),
                           (DWORD)value.bytes.size());
    }
}

std::vector<const char *> PolicyKeys(const PolicyModel &policy)
{
    std::vector<const char *> keys;
    for (int k = 0; k < policy.keyCount; ++k)
        keys.push_back(policy.keys[k].path);
    return keys;
}

void RunPolicyRow(Driver &driver, const PolicyContext &context, const MatrixRow &row)
{
    std::string what = std::string(context.policy.id) + " (" + context.computer + "): " + row.name +
                       " at " + row.point.path;
    std::vector<const char *> keys = PolicyKeys(context.policy);
    std::vector<std::vector<StoredBytes>> saved;
    for (const char *key : keys)
        saved.push_back(ReadKeyBytes(context.computer, key));
    row.plant(context.computer);
    size_t first = driver.Boxes().size();
    HWND shown = NULL;
    DialogAction() = [&](HWND dialog) {
        shown = dialog;
        Click(dialog, row.accept ? IDOK : IDCANCEL);
    };
    {
        WriteRecorder recorder;
        OpenPolicy(context.policy);
        std::vector<std::string> names = recorder.Names();
        EXPECT_EQ(row.writes, names) << what;
    }
    DialogAction() = nullptr;
    EXPECT_EQ(row.shows, shown != NULL) << what;
    ExpectBoxes(driver, first, row.boxes, shown, what);
    EXPECT_EQ(0u, LabCounter(context.computer, "OpenKeys")) << what;
    EXPECT_EQ(GetPolicyList(), GetFocus()) << what;
    EXPECT_TRUE(MainButtonsEnabled()) << what;
    LabClearFaults(context.computer);
    RestoreKeys(context.computer, keys, saved);
}

// The program is still usable: the policy opens with no message and closes with Cancel.
void ExpectUsable(Driver &driver, const PolicyContext &context)
{
    size_t first = driver.Boxes().size();
    bool shown = false;
    DialogAction() = [&](HWND dialog) {
        shown = true;
        Click(dialog, IDCANCEL);
    };
    OpenPolicy(context.policy);
    DialogAction() = nullptr;
    EXPECT_TRUE(shown) << context.policy.id;
    EXPECT_EQ(first, driver.Boxes().size()) << context.policy.id;
    EXPECT_EQ(GetPolicyList(), GetFocus());
}

// ---------------------------------------------------------------------------------------------
// Every call point of a clean run has its row
// ---------------------------------------------------------------------------------------------

std::set<CallPoint> &SeenCalls()
{
    static std::set<CallPoint> seen;
    return seen;
}

std::map<HKEY, std::string> &OpenPaths()
{
    static std::map<HKEY, std::string> paths;
    return paths;
}

LONG WINAPI SeeOpen(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result)
{
    LONG status = GetLabNetCalls().RegOpenKeyExA(key, subKey, options, access, result);
    SeenCalls().insert({ (access & KEY_SET_VALUE) ? "OpenWrite" : "OpenRead", subKey });
    if (status == ERROR_SUCCESS)
        OpenPaths()[*result] = subKey;
    return status;
}

LONG WINAPI SeeQuery(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                     LPDWORD size)
{
    SeenCalls().insert({ "Query", ValuePath(OpenPaths()[key].c_str(), name) });
    return GetLabNetCalls().RegQueryValueExA(key, name, reserved, type, data, size);
}

LONG WINAPI SeeSet(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size)
{
    SeenCalls().insert({ "Set", ValuePath(OpenPaths()[key].c_str(), name) });
    return GetLabNetCalls().RegSetValueExA(key, name, reserved, type, data, size);
}

LONG WINAPI SeeFlush(HKEY key)
{
    SeenCalls().insert({ "Flush", OpenPaths()[key] });
    return GetLabNetCalls().RegFlushKey(key);
}

// While it lives, every registry call below a root is noted as a call point.
class CallPointRecorder : public policytest::ScopedNetCalls {
public:
    CallPointRecorder() : ScopedNetCalls(Change) {}

private:
    static void Change(NetCalls *table)
    {
        table->RegOpenKeyExA = SeeOpen;
        table->RegQueryValueExA = SeeQuery;
        table->RegSetValueExA = SeeSet;
        table->RegFlushKey = SeeFlush;
    }
};

// A clean open and OK of the policy; the call points it made.
std::set<CallPoint> CleanRunCalls(const PolicyModel &policy)
{
    SeenCalls().clear();
    OpenPaths().clear();
    CallPointRecorder recorder;
    DialogAction() = [](HWND dialog) { Click(dialog, IDOK); };
    OpenPolicy(policy);
    DialogAction() = nullptr;
    return SeenCalls();
}

// Every call point made is one a row injects at (the query of a value in seconds is a
// fallback of its value in days, which the row of the days covers).
void ExpectEveryCallHasRow(const std::set<CallPoint> &made, const std::vector<MatrixRow> &rows,
                           const std::string &what, const std::set<std::string> &fallbacks)
{
    std::set<CallPoint> covered;
    for (const MatrixRow &row : rows)
        covered.insert(row.point);
    for (const CallPoint &point : made) {
        if (point.function == "Query" && fallbacks.count(point.path))
            continue;
        EXPECT_TRUE(covered.count(point)) << what << ": no row for " << point.function << " "
                                          << point.path;
    }
}

std::set<std::string> Fallbacks(const PolicyModel &policy)
{
    std::set<std::string> paths;
    for (int i = 0; i < policy.valueCount; ++i)
        if (policy.values[i].alternate) {
            paths.insert(ValuePath(policy.keys[policy.values[i].key].path, policy.values[i].alternate));
            paths.insert(ValuePath(policy.keys[policy.values[i].key].path, policy.values[i].name));
        }
    return paths;
}

struct MatrixSize {
    int rows = 0;
    int callPoints = 0;
};

MatrixSize &Size()
{
    static MatrixSize size;
    return size;
}

void RunPolicyMatrix(const RoleComputer &layout, const PolicyModel &policy)
{
    LabReset();
    ASSERT_TRUE(LabLoadDefaultNetwork());
    Driver driver;
    driver.SetTickMs(1);
    driver.SetDeadline(600000);
    RunInProgram(driver, layout.name, [&] {
        PolicyContext context{ policy, layout.role, layout.name };
        std::vector<MatrixRow> rows = PolicyRows(context);
        std::set<CallPoint> made = CleanRunCalls(policy);
        ExpectEveryCallHasRow(made, rows, std::string(policy.id) + " (" + layout.name + ")",
                              Fallbacks(policy));
        Size().callPoints += (int)made.size();
        for (const MatrixRow &row : rows) {
            RunPolicyRow(driver, context, row);
            ++Size().rows;
        }
        ExpectUsable(driver, context);
    });
}

// Every policy on the primary controller, and Netlogon's two other layouts.
struct MatrixCase {
    int layout;
    int policy;   // index into AllPolicies()
};

std::vector<MatrixCase> MatrixCases()
{
    std::vector<MatrixCase> cases;
    for (int p = 0; p < kPolicyCount; ++p)
        cases.push_back({ 0, p });
    for (int layout = 1; layout < 3; ++layout)
        for (int p = 0; p < kPolicyCount; ++p)
            if (AllPolicies()[p] == &kNetlogonPolicy)
                cases.push_back({ layout, p });
    return cases;
}

std::string CaseName(const ::testing::TestParamInfo<MatrixCase> &info)
{
    std::string name = std::string(AllPolicies()[info.param.policy]->id) + "_" +
                       kRoleComputers[info.param.layout].name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

// ---------------------------------------------------------------------------------------------
// The Version page: its own table of call points
// ---------------------------------------------------------------------------------------------

struct VersionPoint {
    const char *key;
    const char *name;
    const char *word;   // names it in the failed query's message; null: not reported
};

const VersionPoint kVersionPoints[] = {
    { kVersionKey, "CurrentVersion", "VersionName" },
    { kVersionKey, "CurrentBuildName", "BuildName" },
    { kVersionKey, "VendorName", "VendorName" },
    { kVersionKey, "InstallDate", "InstallDateName" },
    { kVersionKey, "ProductId", "ProductIdName" },
    { kVersionKey, "UnixMachineName", "UnixMachineName" },
    { kVersionKey, "OSName", "OSName" },
    { kVersionKey, "PlatformName", "PlatformName" },
    { kLanmanServerKey, "srvcomment", NULL },
};

enum { kFieldChars = 60, kVersionBuildChars = 50 };

ExpectedBox VersionBox(const char *word, LONG status)
{
    return RegistryBox(Format("VersionTabProc WM_INITDIALOG '%s', RegRet=%d", word, (int)status),
                       "", OwnedByMain);
}

ExpectedBox TooManyBox(const std::string &text)
{
    return ExpectedBox{ Format("The string '%s' has more than %d characters", text.c_str(),
                               kFieldChars), "Too many characters!", 0, { IDOK }, OwnedByMain };
}

std::string LabText(const char *computer, const char *key, const char *name)
{
    std::string text;
    EXPECT_TRUE(LabGetRegString(computer, key, name, &text)) << name;
    return text;
}

// The boxes of a version line stored 61 characters long.
std::vector<ExpectedBox> LongLineBoxes(const char *computer, const VersionPoint &point,
                                       const std::string &longer)
{
    if (!point.word || point.key != kVersionKey)
        return {};
    bool isVersion = lstrcmpA(point.name, "CurrentVersion") == 0;
    bool isBuild = lstrcmpA(point.name, "CurrentBuildName") == 0;
    if (!isVersion && !isBuild)
        return { TooManyBox(longer) };
    std::string version = isVersion ? longer : LabText(computer, kVersionKey, "CurrentVersion");
    std::string build = isBuild ? longer : LabText(computer, kVersionKey, "CurrentBuildName");
    ExpectedBox together{ Format("Version '%s' (%d characters) and Build '%s' (%d charaters)\n"
                                 "together have more than %d characters",
                                 version.c_str(), (int)version.size(), build.c_str(),
                                 (int)build.size(), kVersionBuildChars),
                          "Too Many characters!", 0, { IDOK }, OwnedByMain };
    return { together, TooManyBox(version + " (Build " + build + ")") };
}

std::vector<MatrixRow> VersionRows(const char *computer)
{
    std::vector<MatrixRow> rows;
    struct { const char *key; const char *word; } opens[] = {
        { kVersionKey, "szVersionKey" }, { kLanmanServerKey, "LanmanServer Key" },
    };
    for (const auto &open : opens) {
        const char *key = open.key;
        rows.push_back({ "open for reading", { "OpenRead", key },
                         [key](const char *c) { LabSetFault(c, "OpenRead", key, kOpenCode); },
                         false, { VersionBox(open.word, kOpenCode) }, false, {} });
    }
    for (const VersionPoint &point : kVersionPoints) {
        const char *key = point.key;
        const char *name = point.name;
        std::string path = ValuePath(key, name);
        std::vector<ExpectedBox> failed;
        if (point.word)
            failed.push_back(VersionBox(point.word, kQueryCode));
        rows.push_back({ "query", { "Query", path },
                         [path](const char *c) { LabSetFault(c, "QueryValue", path.c_str(), kQueryCode); },
                         false, failed, false, {} });
        // Any type is read as text.
        rows.push_back({ "wrong type", { "Type", path },
                         [key, name](const char *c) { LabSetRegValue(c, key, name, kWrongType, "4.0", 4); },
                         false, {}, false, {} });
        std::string longer(kFieldChars + 1, 'v');
        rows.push_back({ "over-long string", { "Long", path },
                         [key, name, longer](const char *c) { LabSetRegString(c, key, name, longer.c_str()); },
                         false, LongLineBoxes(computer, point, longer), false, {} });
        std::string overflow(kTextChars, 'w');
        std::vector<ExpectedBox> overflowBoxes;
        if (point.word)
            overflowBoxes.push_back(VersionBox(point.word, ERROR_MORE_DATA));
        rows.push_back({ "string over the buffer", { "Overflow", path },
                         [key, name, overflow](const char *c) { LabSetRegString(c, key, name, overflow.c_str()); },
                         false, overflowBoxes, false, {} });
    }
    return rows;
}

void RunVersionRow(Driver &driver, const char *computer, const MatrixRow &row)
{
    std::string what = std::string("Version page: ") + row.name + " at " + row.point.path;
    std::vector<const char *> keys = { kVersionKey, kLanmanServerKey };
    std::vector<std::vector<StoredBytes>> saved = { ReadKeyBytes(computer, kVersionKey),
                                                    ReadKeyBytes(computer, kLanmanServerKey) };
    row.plant(computer);
    size_t first = driver.Boxes().size();
    RevisitVersionPage();
    ExpectBoxes(driver, first, row.boxes, NULL, what);
    EXPECT_EQ(0u, LabCounter(computer, "OpenKeys")) << what;
    EXPECT_EQ(MainItem(IDC_MAIN_TAB), GetFocus()) << what;
    EXPECT_TRUE(MainButtonsEnabled()) << what;
    LabClearFaults(computer);
    RestoreKeys(computer, keys, saved);
}

std::set<CallPoint> CleanVersionCalls()
{
    SeenCalls().clear();
    OpenPaths().clear();
    CallPointRecorder recorder;
    RevisitVersionPage();
    return SeenCalls();
}

// ---------------------------------------------------------------------------------------------
// The computer selection: its own table of call points
// ---------------------------------------------------------------------------------------------

const char kParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\Parameters";
const char kSystemResourcesKey[] = "SYSTEM\\CurrentControlSet\\Control\\SystemResources";

ExpectedBox RefusalBox(const std::string &reason)
{
    return ExpectedBox{ "VELMOR-PDC: " + reason + "\nSelect another computer?", kAppTitle,
                        MB_ICONHAND, { IDYES, IDNO }, OwnedByMain };
}

struct SelectionRow {
    MatrixRow row;
    int focusId;    // the main window's control with the focus afterwards
};

std::vector<SelectionRow> SelectionRows()
{
    auto computerValue = [](const char *name, DWORD code) {
        return [name, code](const char *c) { LabSetComputerDword(c, name, code); };
    };
    auto openFault = [](const char *kind, std::vector<const char *> keys) {
        return [kind, keys](const char *c) {
            for (const char *key : keys)
                LabSetFault(c, kind, key, kOpenCode);
        };
    };
    return {
        { { "workstation query", { "NetWkstaGetInfo", "" }, computerValue("WkstaStatus", 53), false,
            { RefusalBox("The network path was not found (53).") }, false, {} }, IDC_MAIN_TAB },
        // A server that does not answer is taken for one with no role.
        { { "server query", { "NetServerGetInfo", "" }, computerValue("ServerStatus", 53), false,
            {}, false, {} }, IDC_MAIN_TAB },
        { { "registry connection", { "RegConnectRegistryA", "" }, computerValue("ConnectStatus", 5),
            false, { RefusalBox("Access is denied (5).") }, false, {} }, IDC_MAIN_TAB },
        // Without the version key a computer with the system resources key is Windows NT.
        { { "version probe", { "OpenRead", kVersionKey }, openFault("OpenRead", { kVersionKey }),
            false, {}, false, {} }, IDC_MAIN_SELECT },
        { { "second probe", { "OpenRead", kSystemResourcesKey },
            openFault("OpenRead", { kVersionKey, kSystemResourcesKey }), false,
            { RefusalBox("Failed to open Registry (5).") }, false, {} }, IDC_MAIN_TAB },
        // No write access: the dialogs only show their values.
        { { "write probe", { "OpenWrite", kParametersKey }, openFault("OpenWrite", { kParametersKey }),
            false, {}, false, {} }, IDC_MAIN_TAB },
    };
}

void Reselect(const char *computer)
{
    DialogAction() = [computer](HWND dialog) {
        TypeText(dialog, 100, computer);
        Click(dialog, IDOK);
    };
    Command(GetMainWindow(), IDM_SELECT_COMPUTER);
    DialogAction() = nullptr;
}

void RunSelectionRow(Driver &driver, const char *computer, const SelectionRow &selection)
{
    const MatrixRow &row = selection.row;
    std::string what = std::string("selection: ") + row.name;
    ShowTab(0);
    SetFocus(MainItem(IDC_MAIN_TAB));
    row.plant(computer);
    size_t first = driver.Boxes().size();
    Reselect(computer);
    ExpectBoxes(driver, first, row.boxes, NULL, what);
    EXPECT_EQ(MainItem(selection.focusId), GetFocus()) << what;
    EXPECT_TRUE(MainButtonsEnabled()) << what;
    LabClearFaults(computer);
    for (const char *name : { "WkstaStatus", "ServerStatus", "ConnectStatus" })
        LabSetComputerDword(computer, name, 0);
    // Still usable: a clean selection of the same computer.
    first = driver.Boxes().size();
    Reselect(computer);
    EXPECT_EQ(first, driver.Boxes().size()) << what;
    EXPECT_EQ(MainItem(IDC_MAIN_TAB), GetFocus()) << what;
    EXPECT_EQ(0u, LabCounter(computer, "OpenKeys")) << what;
    EXPECT_EQ(0u, LabCounter(computer, "NetBuffers")) << what;
    EXPECT_EQ(1u, LabCounter(computer, "OpenRoots")) << what;
}

std::set<CallPoint> CleanSelectionCalls(const char *computer)
{
    SeenCalls().clear();
    OpenPaths().clear();
    CallPointRecorder recorder;
    Reselect(computer);
    return SeenCalls();
}

}  // namespace

// One test per dialog and layout, so that each stays well inside the time a test is given.
class FaultMatrix : public ::testing::TestWithParam<MatrixCase> {};

TEST_P(FaultMatrix, EveryCallPoint)
{
    Size() = MatrixSize();
    const RoleComputer &layout = kRoleComputers[GetParam().layout];
    const PolicyModel &policy = *AllPolicies()[GetParam().policy];
    RunPolicyMatrix(layout, policy);
    printf("fault matrix of %s on %s: %d rows over %d call points of a clean run\n", policy.id,
           layout.name, Size().rows, Size().callPoints);
    EXPECT_GT(Size().rows, 0);
}

INSTANTIATE_TEST_SUITE_P(Policies, FaultMatrix, ::testing::ValuesIn(MatrixCases()), CaseName);

TEST(FaultMatrixPages, VersionPageAndSelection)
{
    LabReset();
    ASSERT_TRUE(LabLoadDefaultNetwork());
    const char *computer = kRoleComputers[0].name;
    int versionRows = 0, selectionRows = 0;
    Driver driver;
    driver.SetTickMs(1);
    driver.SetDeadline(300000);
    RunInProgram(driver, computer, [&] {
        std::vector<MatrixRow> rows = VersionRows(computer);
        // The page's own reads; the selection's are in its table below.
        std::set<CallPoint> made = CleanVersionCalls();
        ExpectEveryCallHasRow(made, rows, "Version page", {});
        for (const MatrixRow &row : rows) {
            RunVersionRow(driver, computer, row);
            ++versionRows;
        }
        std::vector<SelectionRow> selections = SelectionRows();
        std::vector<MatrixRow> selectionTable;
        for (const SelectionRow &selection : selections)
            selectionTable.push_back(selection.row);
        std::set<CallPoint> selected = CleanSelectionCalls(computer);
        // A selection shows the Version page: its reads are the rows above.
        for (const MatrixRow &row : rows)
            selectionTable.push_back(row);
        ExpectEveryCallHasRow(selected, selectionTable, "selection", {});
        for (const SelectionRow &selection : selections) {
            RunSelectionRow(driver, computer, selection);
            ++selectionRows;
        }
    });
    printf("fault matrix of the Version page: %d rows; of the computer selection: %d rows\n",
           versionRows, selectionRows);
}
