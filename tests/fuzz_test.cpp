// A seeded fuzz of hostile registries: every value a dialog or the Version page reads is made
// valid, missing, of another type, a number at an edge or a hostile string, sometimes with a
// fault or a broken connection on the way; then the dialog is cancelled, closed, accepted, reset
// and accepted, or changed at random and accepted. After each round the program must be back on
// its list with its buttons enabled, with no key or buffer left open, with the keys untouched
// unless OK wrote them, every written value of its model's type and inside its range, and no
// box showing a format directive or a control byte it was not given.
//
// ./test.sh runs a short fixed set of seeds; bench/fuzz.sh runs Fuzz.DISABLED_Long with
// KORVID_FUZZ_ITERATIONS, KORVID_FUZZ_SEED and KORVID_FUZZ_FIRST, the number of its first
// round: a failing round says its seed and number, and runs again alone from them.
#include "tests/support/fault_testing.h"
#include "tests/support/fuzz_support.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace faulttest;

namespace {

const DWORD kOtherTypes[] = {
    REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD, REG_QWORD, REG_NONE,
};
const DWORD kFaultCodes[] = { 2, 5, 6, 53, 87, 234, 1722, 0x7FFFFFFF };

// A value as the fuzz sees it: where it lives and what a valid one is.
struct FuzzValue {
    const char *key;
    const char *name;
    DWORD type;
    DWORD lower, upper, step;   // numbers
    int limit;                  // texts
    const char *characters;     // texts: null for any printable
};

// A byte from 0x80, save 0x98: code page 1252 makes it U+02DC, which Wine 8's text shaping
// reads past a table for when an edit control shows it after some characters (an access
// violation in its mark-to-ligature positioning; an edit control of its own with that one
// character fails alike). Windows shows it as any other.
char HighByte(Prng &prng)
{
    DWORD byte = 0x80 + prng.Below(0x7F);
    return (char)(byte < 0x98 ? byte : byte + 1);
}

std::string HostileText(Prng &prng, int length)
{
    static const char *const kPieces[] = { "%s", "%n", "%d", "%x", "%%", "\\", "'", "\"" };
    std::string text;
    while ((int)text.size() < length) {
        switch (prng.Below(6)) {
        case 0: text += kPieces[prng.Below(ARRAYSIZE(kPieces))]; break;
        case 1: text += HighByte(prng); break;
        case 2: if (prng.OneIn(8)) text += '\0'; break;
        default: text += (char)(0x20 + prng.Below(0x5F)); break;
        }
    }
    text.resize(length);
    return text;
}

int HostileLength(Prng &prng, int limit)
{
    const int kLengths[] = { 0, 1, limit - 1, limit, limit + 1, 4998, 4999, 5000, 5001, 6000 };
    if (prng.OneIn(2))
        return std::max(0, kLengths[prng.Below(ARRAYSIZE(kLengths))]);
    return (int)prng.Below(6001);
}

DWORD EdgeNumber(Prng &prng, const FuzzValue &value)
{
    const DWORD kEdges[] = {
        0, value.lower - 1, value.lower, value.lower + 1, value.upper - 1, value.upper,
        value.upper + 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF,
    };
    return kEdges[prng.Below(ARRAYSIZE(kEdges))];
}

// Stores exactly these bytes: a string without its terminator keeps none (the byte after the
// data is not zero).
void StoreBytes(const char *computer, const FuzzValue &value, DWORD type, std::string bytes)
{
    size_t size = bytes.size();
    bytes += 'x';
    LabSetRegValue(computer, value.key, value.name, type, bytes.data(), (DWORD)size);
}

std::string ValidBytes(Prng &prng, const FuzzValue &value)
{
    if (value.type == REG_DWORD) {
        DWORD steps = (value.upper - value.lower) / value.step + 1;
        DWORD number = value.lower + prng.Below(steps) * value.step;
        return std::string((const char *)&number, sizeof(number));
    }
    std::string text;
    int length = value.characters ? 1 + (int)prng.Below(value.limit) : (int)prng.Below(value.limit + 1);
    for (int i = 0; i < length; ++i)
        text += value.characters ? value.characters[prng.Below((DWORD)strlen(value.characters))]
                                 : (char)(0x20 + prng.Below(0x5F));
    return text + '\0';
}

// Makes the value valid, missing, of another type, an edge number or a hostile string. Valid
// three times in four, so that most rounds reach the dialog's buttons.
void PlantValue(Prng &prng, const char *computer, const FuzzValue &value, FuzzCounts &counts,
                std::string *log)
{
    static const char *const kKinds[] = { "valid", "missing", "other type", "edge number",
                                          "hostile string" };
    DWORD kind = prng.Below(4) != 0 ? 0 : 1 + prng.Below(ARRAYSIZE(kKinds) - 1);
    ++counts[std::string("planted ") + kKinds[kind]];
    *log += std::string("\n  ") + value.name + ": " + kKinds[kind];
    switch (kind) {
    case 0:
        StoreBytes(computer, value, value.type, ValidBytes(prng, value));
        break;
    case 1:
        LabDeleteRegValue(computer, value.key, value.name);
        break;
    case 2: {
        DWORD type = kOtherTypes[prng.Below(ARRAYSIZE(kOtherTypes))];
        DWORD size = type == REG_DWORD ? 4 : type == REG_QWORD ? 8 : prng.Below(64);
        if (prng.OneIn(4))
            size = (DWORD)HostileLength(prng, value.limit);
        StoreBytes(computer, value, type, HostileText(prng, (int)size));
        *log += ", type " + std::to_string(type) + ", " + std::to_string(size) + " bytes";
        break;
    }
    case 3: {
        DWORD number = EdgeNumber(prng, value);
        StoreBytes(computer, value, REG_DWORD, std::string((const char *)&number, 4));
        *log += " " + std::to_string(number);
        break;
    }
    default: {
        std::string text = HostileText(prng, HostileLength(prng, value.limit));
        if (prng.OneIn(2))
            text += '\0';
        StoreBytes(computer, value, value.type == REG_DWORD ? REG_SZ : value.type, text);
        *log += ", " + std::to_string(text.size()) + " bytes";
        break;
    }
    }
}

// The Version page's values: texts of any type, shown up to 60 characters.
const FuzzValue kVersionValues[] = {
    { kVersionKey, "CurrentVersion", REG_SZ, 0, 0, 0, 20, NULL },
    { kVersionKey, "CurrentBuildName", REG_SZ, 0, 0, 0, 20, NULL },
    { kVersionKey, "VendorName", REG_SZ, 0, 0, 0, 60, NULL },
    { kVersionKey, "InstallDate", REG_SZ, 0, 0, 0, 60, NULL },
    { kVersionKey, "ProductId", REG_SZ, 0, 0, 0, 60, NULL },
    { kVersionKey, "UnixMachineName", REG_SZ, 0, 0, 0, 60, NULL },
    { kVersionKey, "OSName", REG_SZ, 0, 0, 0, 60, NULL },
    { kVersionKey, "PlatformName", REG_SZ, 0, 0, 0, 60, NULL },
    { kLanmanServerKey, "srvcomment", REG_SZ, 0, 0, 0, 60, NULL },
};

// The values of a policy in the role, the alternate of a value in days too.
std::vector<FuzzValue> PolicyValues(const PolicyModel &policy, ServerRole role)
{
    std::vector<FuzzValue> values;
    for (int i = 0; i < policy.valueCount; ++i) {
        const ValueModel &value = policy.values[i];
        if (!ValueInRole(value, role))
            continue;
        const char *key = policy.keys[value.key].path;
        values.push_back({ key, value.name, value.type, value.range.lower, value.range.upper,
                           value.range.step ? value.range.step : 1, value.limit,
                           value.characters });
        if (value.alternate)
            values.push_back({ key, value.alternate, REG_DWORD, value.range.lower * kSecondsPerDay,
                               value.alternateUpper * kSecondsPerDay, kSecondsPerDay, 0, NULL });
    }
    return values;
}

std::vector<const char *> KeysOf(const std::vector<FuzzValue> &values)
{
    std::vector<const char *> keys;
    for (const FuzzValue &value : values)
        if (std::find(keys.begin(), keys.end(), value.key) == keys.end())
            keys.push_back(value.key);
    return keys;
}

// Sometimes a fault at one of the keys' call points, a broken connection mid-way, or a
// reconnection that fails.
void PlantFault(Prng &prng, const char *computer, const std::vector<FuzzValue> &values,
                FuzzCounts &counts, std::string *log)
{
    if (!prng.OneIn(6))
        return;
    const FuzzValue &value = values[prng.Below((DWORD)values.size())];
    DWORD code = kFaultCodes[prng.Below(ARRAYSIZE(kFaultCodes))];
    std::string valuePath = std::string(value.key) + "\\" + value.name;
    std::string fault;
    DWORD after = 0;
    switch (prng.Below(7)) {
    case 0: LabSetFault(computer, "OpenRead", value.key, code); fault = "fault open read"; break;
    case 1: LabSetFault(computer, "OpenWrite", value.key, code); fault = "fault open write"; break;
    case 2: LabSetFault(computer, "QueryValue", valuePath.c_str(), code); fault = "fault query"; break;
    case 3: LabSetFault(computer, "SetValue", valuePath.c_str(), code); fault = "fault write"; break;
    case 4: LabSetFault(computer, "Flush", value.key, code); fault = "fault flush"; break;
    case 5:
        LabSetBreakAfter(computer, after = 1 + prng.Below(24));
        fault = "fault broken connection";
        break;
    default:
        LabSetBreakAfter(computer, after = 1 + prng.Below(24));
        LabSetComputerDword(computer, "ConnectStatus", code == 0 ? 53 : code);
        fault = "fault failed reconnection";
        break;
    }
    ++counts[fault];
    *log += "\n  " + fault + (after ? " after " + std::to_string(after) + " calls" : " at " + valuePath) +
            ", code " + std::to_string(code);
}

// A user's random change of every control it can reach: boxes and buttons clicked, entries
// picked, fields typed (added to typed, which a refusal may show).
void ChangeAtRandom(Prng &prng, HWND dialog, std::string *typed)
{
    std::vector<HWND> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls.push_back(child);
    for (HWND control : controls) {
        int id = GetDlgCtrlID(control);
        if (id == IDOK || id == IDCANCEL || id == IDC_DEFAULT || !IsWindowVisible(control) ||
            !IsWindowEnabled(control) || !prng.OneIn(2))
            continue;
        char name[32] = "";
        GetClassNameA(control, name, sizeof(name));
        LONG style = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
        if (lstrcmpiA(name, "Button") == 0 && style != BS_GROUPBOX && style != BS_PUSHBUTTON &&
            style != BS_DEFPUSHBUTTON) {
            SendMessageA(control, BM_CLICK, 0, 0);
        } else if (lstrcmpiA(name, "ComboBox") == 0) {
            int count = (int)SendMessageA(control, CB_GETCOUNT, 0, 0);
            if (count > 0)
                PickIndex(dialog, id, (int)prng.Below(count));
        } else if (lstrcmpiA(name, "Edit") == 0) {
            std::string text = HostileText(prng, (int)prng.Below(12));
            text = text.c_str();
            if (prng.OneIn(2))
                text = std::to_string((long long)(int)prng.Next() % 100000);
            TypeText(dialog, id, text.c_str());
            *typed += text + '\n';
        }
    }
}

enum FuzzAction { ActCancel, ActCloseBox, ActOk, ActDefaultOk, ActChangeOk, kActionCount };
const char *const kActionNames[] = { "cancel", "close box", "ok", "default and ok",
                                     "change and ok" };

// Presses OK; a refused entry keeps the dialog open with its default back, so OK once more,
// then Cancel if it still stays.
void Accept(HWND dialog)
{
    for (int press = 0; press < 2 && StillOpen(dialog); ++press)
        if (IsWindowEnabled(GetDlgItem(dialog, IDOK)))
            Click(dialog, IDOK);
    if (StillOpen(dialog))
        Click(dialog, IDCANCEL);
}

void Act(Prng &prng, FuzzAction action, HWND dialog, std::string *typed)
{
    switch (action) {
    case ActCancel: Click(dialog, IDCANCEL); break;
    case ActCloseBox: CloseBox(dialog); break;
    case ActOk: Accept(dialog); break;
    case ActDefaultOk:
        if (IsWindowEnabled(GetDlgItem(dialog, IDC_DEFAULT)))
            Click(dialog, IDC_DEFAULT);
        Accept(dialog);
        break;
    default:
        ChangeAtRandom(prng, dialog, typed);
        Accept(dialog);
        break;
    }
}

// A format directive or control byte in a box that no stored value or typed text of the round
// brought (the Version page shows a value of any type as text, bytes and all; a refusal shows
// what was typed).
std::string BoxTextFault(const std::string &text, const std::string &planted)
{
    static const char *const kDirectives[] = { "%s", "%n", "%d", "%x", "%c", "%u", "%p", "%l" };
    for (const char *directive : kDirectives)
        if (text.find(directive) != std::string::npos && planted.find(directive) == std::string::npos)
            return std::string("directive ") + directive;
    for (char c : text)
        if ((unsigned char)c < 0x20 && c != '\n' && c != '\r' && planted.find(c) == std::string::npos)
            return "control byte " + std::to_string((int)(unsigned char)c);
    return "";
}

struct FuzzRun {
    Prng prng;
    FuzzCounts &counts;
    const char *computer;
    ServerRole role;
};

// Every stored text of the keys, for the box check: a directive a value holds may be shown.
std::string PlantedTexts(const char *computer, const std::vector<const char *> &keys)
{
    std::string texts;
    for (const char *key : keys)
        for (const StoredBytes &value : ReadKeyBytes(computer, key))
            texts += value.bytes + '\n';
    return texts;
}

void CheckBoxes(FuzzRun &run, const Driver &driver, size_t firstBox, const std::string &planted)
{
    const std::vector<BoxRecord> &boxes = driver.Boxes();
    for (size_t i = firstBox; i < boxes.size(); ++i) {
        ++run.counts["boxes"];
        std::string fault = BoxTextFault(boxes[i].text, planted);
        EXPECT_EQ("", fault) << boxes[i].text;
    }
}

void CheckWrites(FuzzRun &run, const PolicyModel &policy, const WriteRecorder &recorder)
{
    for (const policytest::RecordedWrite &write : recorder.Writes()) {
        bool alternate = false;
        const ValueModel *value = FindWrittenValue(policy, write.name, run.role, &alternate);
        ASSERT_NE(nullptr, value) << policy.id << " wrote " << write.name;
        ++run.counts["values written"];
        EXPECT_EQ("", WrittenValueFault(*value, alternate, write.type, write.bytes))
            << policy.id << " " << write.name;
    }
}

bool AnyBoxCaptioned(const Driver &driver, size_t firstBox, const char *caption)
{
    for (size_t i = firstBox; i < driver.Boxes().size(); ++i)
        if (driver.Boxes()[i].caption == caption)
            return true;
    return false;
}

// One round on a policy (null: the Version page). Every failure in it carries the round's
// log: its number, what was planted, the fault and the action, enough to replay it alone.
void FuzzRound(FuzzRun &run, Driver &driver, const PolicyModel *policy, std::string &log)
{
    log += policy ? policy->id : "the Version page";
    std::vector<FuzzValue> values =
        policy ? PolicyValues(*policy, run.role)
               : std::vector<FuzzValue>(std::begin(kVersionValues), std::end(kVersionValues));
    std::vector<const char *> keys = KeysOf(values);
    DWORD start = GetTickCount();
    for (const FuzzValue &value : values)
        PlantValue(run.prng, run.computer, value, run.counts, &log);
    std::string planted = PlantedTexts(run.computer, keys);
    std::vector<std::vector<StoredBytes>> before;
    for (const char *key : keys)
        before.push_back(ReadKeyBytes(run.computer, key));
    PlantFault(run.prng, run.computer, values, run.counts, &log);

    run.counts["ms planting"] += GetTickCount() - start;
    start = GetTickCount();
    FuzzAction action = (FuzzAction)run.prng.Below(kActionCount);
    if (policy)
        log += std::string("\n  then ") + kActionNames[action];
    SCOPED_TRACE(log);
    size_t unexpected = driver.Unexpected().size();
    bool shown = false;
    size_t firstBox = driver.Boxes().size();
    WriteRecorder recorder;
    if (policy) {
        ++run.counts[std::string("round ") + policy->id];
        DialogAction() = [&](HWND dialog) {
            shown = true;
            Act(run.prng, action, dialog, &planted);
        };
        OpenPolicy(*policy);
        DialogAction() = nullptr;
    } else {
        ++run.counts["round version"];
        RevisitVersionPage();
    }
    run.counts["ms acting"] += GetTickCount() - start;
    for (size_t i = unexpected; i < driver.Unexpected().size(); ++i)
        ADD_FAILURE() << "in this round: " << driver.Unexpected()[i];
    start = GetTickCount();
    LabClearFaults(run.computer);
    LabSetComputerDword(run.computer, "ConnectStatus", 0);

    bool lost = AnyBoxCaptioned(driver, firstBox, "Re-Connecting");
    run.counts["rounds with the connection lost"] += lost;
    EXPECT_TRUE(MainButtonsEnabled());
    if (!policy)
        EXPECT_TRUE(GetFocus() == MainItem(IDC_MAIN_TAB) || GetFocus() == MainItem(IDC_MAIN_SELECT));
    else if (lost)
        EXPECT_EQ(MainItem(IDC_MAIN_SELECT), GetFocus()) << policy->id;
    else
        EXPECT_EQ(GetPolicyList(), GetFocus()) << policy->id;
    EXPECT_EQ(0u, LabCounter(run.computer, "OpenKeys"));
    EXPECT_EQ(0u, LabCounter(run.computer, "NetBuffers"));
    CheckBoxes(run, driver, firstBox, planted);

    bool accepted = shown && action != ActCancel && action != ActCloseBox;
    run.counts[!policy ? "version pages" : !shown ? "dialogs ended while opening"
                                                  : std::string("dialogs ") + kActionNames[action]]++;
    if (policy && accepted) {
        CheckWrites(run, *policy, recorder);
        run.counts["ms checking"] += GetTickCount() - start;
        return;
    }
    EXPECT_TRUE(recorder.Writes().empty());
    for (size_t i = 0; i < keys.size(); ++i)
        EXPECT_TRUE(before[i] == ReadKeyBytes(run.computer, keys[i])) << keys[i] << " changed";
    run.counts["ms checking"] += GetTickCount() - start;
}

// A long run says how far it has come every thousand iterations, and every count every ten
// thousand.
void ReportProgress(const FuzzCounts &counts)
{
    static DWORD start;
    unsigned long iterations = counts.at("iterations");
    if (iterations == 1)
        start = GetTickCount();
    if (iterations % 1000 != 0)
        return;
    DWORD elapsed = GetTickCount() - start;
    if (iterations % 10000 == 0) {
        PrintFuzzCounts("fuzz", "iterations", counts, elapsed);
        return;
    }
    printf("fuzz: %lu iterations, %.1f per second\n", iterations,
           elapsed ? iterations * 1000.0 / elapsed : 0.0);
    fflush(stdout);
}

// Eight rounds in ten on the primary controller, which has every policy; the other two layouts
// of Netlogon share the rest.
size_t LayoutOfRound(unsigned long round) { return round % 10 < 8 ? 0 : round % 10 - 7; }

// The rounds first to last (not included) of one layout, on its computer, each on a policy of
// its layout or the Version page.
void FuzzComputer(size_t layoutIndex, uint64_t seed, unsigned long first, unsigned long last,
                  FuzzCounts &counts)
{
    const RoleComputer &layout = kRoleComputers[layoutIndex];
    Driver driver;
    driver.SetTickMs(1);
    driver.SetDeadline(0x7FFFFFFF);
    FuzzRun run{ Prng(seed), counts, layout.name, layout.role };
    std::vector<const PolicyModel *> targets = { nullptr };
    for (int i = 0; i < kPolicyCount; ++i)
        if (layout.role == RolePrimaryDomainController || AllPolicies()[i] == &kNetlogonPolicy)
            targets.push_back(AllPolicies()[i]);
    // The rounds run from a timer's callback, which a fault inside may leave without a word:
    // a run that ends short names the round it was in.
    unsigned long planned = 0, done = 0;
    for (unsigned long round = first; round < last; ++round)
        planned += LayoutOfRound(round) == layoutIndex;
    std::string log;
    HardwareFaultWatch watch;
    RunInProgram(driver, layout.name, [&] {
        for (unsigned long round = first; round < last && !testing::Test::HasFatalFailure(); ++round) {
            if (LayoutOfRound(round) != layoutIndex)
                continue;
            driver.SetDeadline(20000);
            run.prng = Prng::OfRound(seed, round);
            char header[96];
            snprintf(header, sizeof(header), "seed %llu round %lu on %s: ", (unsigned long long)seed,
                     round, layout.name);
            log = header;
            watch.Seen().clear();
            FuzzRound(run, driver, targets[run.prng.Below((DWORD)targets.size())], log);
            ++done;
            ++counts["iterations"];
            ReportProgress(counts);
        }
        driver.SetDeadline(20000);
    });
    EXPECT_TRUE(done == planned || testing::Test::HasFatalFailure())
        << "the run ended after " << done << " of " << planned << " rounds, in " << log
        << (watch.Seen().empty() ? "" : "\n  stopped by " + watch.Seen());
    EXPECT_TRUE(driver.Unexpected().empty());
}

// The rounds first to last (not included) of a seed; a replay of one round is the run from it
// to the next.
void RunFuzz(uint64_t seed, unsigned long first, unsigned long last, FuzzCounts &counts)
{
    LabReset();
    ASSERT_TRUE(LabLoadDefaultNetwork());
    for (size_t layout = 0; layout < ARRAYSIZE(kRoleComputers); ++layout) {
        bool any = false;
        for (unsigned long round = first; round < last && !any; ++round)
            any = LayoutOfRound(round) == layout;
        if (any)
            FuzzComputer(layout, seed, first, last, counts);
    }
}

void RunAndPrint(const std::vector<uint64_t> &seeds, unsigned long first, unsigned long iterations)
{
    FuzzCounts counts;
    DWORD start = GetTickCount();
    for (uint64_t seed : seeds)
        RunFuzz(seed, first, first + iterations, counts);
    counts["failures seen"] = testing::UnitTest::GetInstance()->current_test_info()->result()
                                  ->total_part_count();
    PrintFuzzCounts("fuzz", "iterations", counts, GetTickCount() - start);
}

}  // namespace

TEST(Fuzz, FixedSeeds)
{
    RunAndPrint({ 1, 2, 3 }, 0, 20);
}

TEST(Fuzz, DISABLED_Long)
{
    RunAndPrint({ EnvNumber("KORVID_FUZZ_SEED", 1) }, EnvNumber("KORVID_FUZZ_FIRST", 0),
                EnvNumber("KORVID_FUZZ_ITERATIONS", 100000));
}
