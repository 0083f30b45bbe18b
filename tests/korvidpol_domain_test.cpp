// korvidpol for a whole domain, through its real executable on the lab: servers, @FILE and
// /domain: lists, check against a baseline, /csv read back strictly, and the round trips of apply.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "lab/labconfig.h"
#include "tests/support/korvidpol_testing.h"

namespace {

const char kAlerter[] = "SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters";
const char kUps[] = "SYSTEM\\CurrentControlSet\\Services\\UPS\\Parameters";
const char kNetlogon[] = "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters";
const char kVelmor[] = "Velmor Server for UNIX Systems";
// A value that needs every kind of CSV quoting.
const char kQuotingText[] = "Power \"out\", at C:\\site\r\nLeave now.";

// What servers says of each computer of the default domain, in its order.
const char *const kDomainLines[] = {
    "\\\\DOS-PC  a DOS/Windows system",
    "\\\\LANMAN-SRV  LAN Manager  no role",
    "\\\\LOCKED-SRV  Access is denied (5).",
    "\\\\NT-SERVER  Microsoft (R) Windows NT (TM) Server  backup domain controller",
    "\\\\NT-WKSTA  Microsoft (R) Windows NT (TM) Workstation  no role",
    "\\\\OFFLINE-PC  The network path was not found (53).",
    "\\\\VELMOR-BDC  Velmor Server for UNIX Systems  backup domain controller  3.0 (Build 1042)",
    "\\\\VELMOR-MEMBER  Velmor Server for UNIX Systems  member server  3.0 (Build 1042)",
    "\\\\VELMOR-NOVER  Velmor Server for UNIX Systems  member server  no version key",
    "\\\\VELMOR-PDC  Velmor Server for UNIX Systems  primary domain controller  3.0 (Build 1042)",
    "\\\\WFW-PC  Microsoft (R) Windows for Workgroups  no role",
    "\\\\WIN95-PC  Microsoft (R) Windows 95 (TM) System  no role",
};

std::string DomainList()
{
    std::string text;
    for (const char *line : kDomainLines) text += std::string(line) + "\n";
    return text;
}

bool Contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

size_t Count(const std::string &text, const std::string &part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) count++;
    return count;
}

std::string Section(const char *key) { return std::string("\n[HKEY_LOCAL_MACHINE\\") + key + "]\n"; }

// A baseline of the Alerter cache, in a fresh folder; returns the folder.
std::string WriteBaseline(const char *name, const std::string &body)
{
    std::string folder = FreshFolder(name);
    WriteTextFile(folder + "\\base.reg", "REGEDIT4\n\n; a baseline\n" + body);
    return folder;
}

const std::vector<const char *> kVelmorServers = {"VELMOR-PDC", "VELMOR-BDC", "VELMOR-MEMBER"};

}  // namespace

// Every kind of computer of the domain, an unreachable one and one whose registry refuses; the
// browser asked again for all of it when the first answer is cut; the enumeration's failure.
TEST(KorvidpolDomain, ServersClassifiesEveryComputerOfTheDomain)
{
    LoadPolLab();
    const struct {
        const char *arguments;
        DWORD enumBytes;
        DWORD enumCalls;
    } cases[] = {
        {"servers /domain:KORVID /parallel:3", 0, 1},
        {"servers", 0, 1},                          // the workstation's own domain
        {"servers /domain:korvid /parallel:1", 200, 2},  // a first answer of 200 bytes holds two or three
    };
    for (const auto &c : cases) {
        LabResetCounters("KORVID");
        LabSetDomainDword("KORVID", "EnumBytes", c.enumBytes);
        PolRun run = RunPol(c.arguments);
        EXPECT_EQ(run.code, 0u) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out, DomainList()) << c.arguments;
        EXPECT_EQ(run.err, "") << c.arguments;
        EXPECT_EQ(LabCounter("KORVID", "NetServerEnum"), c.enumCalls) << c.arguments;
        EXPECT_EQ(LabCounter("KORVID", "NetBuffers"), 0u) << c.arguments;
        for (const char *computer : {"VELMOR-PDC", "NT-SERVER", "LOCKED-SRV"}) {
            EXPECT_EQ(LabCounter(computer, "NetBuffers") + LabCounter(computer, "OpenKeys") +
                      LabCounter(computer, "OpenRoots"), 0u) << computer;
        }
    }
    EXPECT_EQ(RunPol("servers /domain:NOBODY").out, "");
    LabSetDomainDword("KORVID", "EnumStatus", 2123);
    PolRun failed = RunPol("servers /domain:KORVID");
    EXPECT_EQ(failed.code, 1u);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err, "korvidpol: the computers of domain KORVID could not be listed: "
                          "Buffer too small for fixed-length data (2123).\n");
}

// Names from the command line, from files (comments, blanks, "\\", twice) and from the domain are
// each done once; a domain's computers without policies are notes; a bad list does nothing.
TEST(KorvidpolDomain, FilesAndTheDomainNameEachServerOnce)
{
    LoadPolLab();
    std::string folder = WriteBaseline("names", Section(kAlerter) + "\"CountNotOnNetworkCache\"=dword:0000000a\n");
    WriteTextFile(folder + "\\a.txt", "; the controllers\n\n  \\\\VELMOR-PDC  \nVELMOR-BDC\r\n;VELMOR-MEMBER\n");
    WriteTextFile(folder + "\\b.txt", "velmor-pdc\n\\\\Velmor-Bdc");
    const struct {
        const char *servers;
        DWORD code;
        std::vector<const char *> done;  // each once, in this order
        size_t leftOut;
    } cases[] = {
        {"@a.txt VELMOR-PDC @b.txt", 0, {"VELMOR-PDC", "VELMOR-BDC"}, 0},
        {"VELMOR-MEMBER @a.txt /domain:KORVID", 0, {"VELMOR-MEMBER", "VELMOR-PDC", "VELMOR-BDC"}, 9},
        {"NT-SERVER /domain:KORVID", 1, {"VELMOR-BDC", "VELMOR-MEMBER", "VELMOR-PDC"}, 8},
    };
    for (const auto &c : cases) {
        LoadPolLab();
        PolRun run = RunPol(std::string("check base.reg ") + c.servers + " /parallel:2", folder);
        EXPECT_EQ(run.code, c.code) << c.servers << "\n" << run.out << run.err;
        size_t last = 0;
        for (const char *server : c.done) {
            std::string summary = std::string("\\\\") + server + "  in line with the baseline\n";
            EXPECT_EQ(Count(run.out, summary), 1u) << c.servers << "\n" << run.out;
            if (server != c.done[0]) {
                EXPECT_GT(run.out.find(summary), last) << server;
            }
            last = run.out.find(summary);
            EXPECT_EQ(LabCounter(server, "NetWkstaGetInfo"), 1u) << server;
        }
        EXPECT_EQ(Count(run.out, "  left out: "), c.leftOut) << c.servers << "\n" << run.out;
    }
    EXPECT_TRUE(Contains(RunPol("check base.reg /domain:KORVID", folder).out,
                         "\\\\OFFLINE-PC  left out: The network path was not found (53).\n"));
    EXPECT_TRUE(Contains(RunPol("check base.reg NT-SERVER", folder).out, "\\\\NT-SERVER  refused: a Windows NT computer\n"));

    // A list that cannot be made: nothing is asked of any computer.
    WriteTextFile(folder + "\\long.txt", "VELMOR-PDC\n" + std::string(700, 'X') + "\n");
    const struct {
        const char *servers;
        const char *error;
    } refused[] = {
        {"VELMOR-PDC @missing.txt", "korvidpol: missing.txt: cannot open missing.txt (error 2)\n"},
        {"VELMOR-PDC @long.txt", "korvidpol: long.txt: line 2: not a computer name\n"},
        {"VELMOR-PDC /domain:KORVID", "korvidpol: the computers of domain KORVID could not be listed: "
                                      "The network path was not found (53).\n"},
    };
    LabSetDomainDword("KORVID", "EnumStatus", 53);
    for (const auto &c : refused) {
        LoadPolLab();
        LabSetDomainDword("KORVID", "EnumStatus", 53);
        PolRun run = RunPol(std::string("check base.reg ") + c.servers, folder);
        EXPECT_EQ(run.code, 2u) << c.servers;
        EXPECT_EQ(run.out, "") << c.servers;
        EXPECT_EQ(run.err, c.error) << c.servers;
        EXPECT_EQ(LabCounter("VELMOR-PDC", "RoundTrips"), 0u) << c.servers;
    }
}

// check tells what apply would change, with its skips, and writes nothing.
TEST(KorvidpolDomain, CheckReportsDriftAgainstTheBaselineAndWritesNothing)
{
    std::string folder = WriteBaseline("check", Section(kAlerter) + "\"CountNotOnNetworkCache\"=dword:0000000a\n" +
                                                    Section(kNetlogon) + "\"Pulse\"=dword:0000012c\n");
    const struct {
        const char *servers;
        DWORD drift;  // CountNotOnNetworkCache on VELMOR-PDC
        DWORD code;
        std::vector<std::string> lines;
    } cases[] = {
        {"VELMOR-PDC", 10, 0, {"\\\\VELMOR-PDC  in line with the baseline\n"}},
        {"VELMOR-PDC", 20, 1, {"\\\\VELMOR-PDC  alerter  CountNotOnNetworkCache  20 -> 10\n", "\\\\VELMOR-PDC  1 value differs\n"}},
        {"VELMOR-BDC", 20, 0,
         {"\\\\VELMOR-BDC  netlogon  Pulse  skipped: a backup domain controller has no such value\n",
          "\\\\VELMOR-BDC  in line with the baseline\n"}},
        {"VELMOR-BDC OFFLINE-PC", 10, 1,
         {"\\\\VELMOR-BDC  netlogon  Pulse  skipped: a backup domain controller has no such value\n",
          "\\\\VELMOR-BDC  in line with the baseline\n"}},
    };
    for (const auto &c : cases) {
        LoadPolLab();
        LabSetRegDword("VELMOR-PDC", kAlerter, "CountNotOnNetworkCache", c.drift);
        LabSetRegDword("VELMOR-PDC", kNetlogon, "Pulse", c.drift == 10 ? 300 : 600);
        PolRun run = RunPol(std::string("check base.reg ") + c.servers, folder);
        EXPECT_EQ(run.code, c.code) << c.servers << "\n" << run.out << run.err;
        std::string expected;
        for (const std::string &line : c.lines) expected += line;
        if (c.drift == 20 && c.code == 1) expected = std::string(c.lines[0]) + "\\\\VELMOR-PDC  netlogon  Pulse  600 -> 300\n" +
                                                     "\\\\VELMOR-PDC  2 values differ\n";
        EXPECT_EQ(run.out, expected) << c.servers;
        EXPECT_EQ(run.err, Contains(c.servers, "OFFLINE") ? "korvidpol: \\\\OFFLINE-PC: The network path was not found (53).\n" : "");
        EXPECT_EQ(SumCounters(kVelmorServers, "RegSetValueExA") + SumCounters(kVelmorServers, "RegFlushKey"), 0u);
        EXPECT_EQ(SumCounters(kVelmorServers, "OpenKeys") + SumCounters(kVelmorServers, "OpenRoots"), 0u);
        EXPECT_FALSE(FolderExists(folder + "\\korvidpol-backup"));
        // The progress line is for a console only: none of it reaches a redirected standard error.
        EXPECT_FALSE(Contains(run.err, "servers done")) << run.err;
    }
}

// /csv of each command read back by a strict reader: quotes, commas and line breaks inside values.
TEST(KorvidpolDomain, CsvOfEachCommandReadsBackStrictly)
{
    LoadPolLab();
    LabSetRegString("VELMOR-PDC", kUps, "PowerFailMessage", kQuotingText);
    LabSetRegString("NT-WKSTA", "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType", "Odd, \"NT\"\r\nline");
    std::string folder = WriteBaseline("csv", Section(kUps) + "\"PowerFailMessage\"=\"Leave, \\\"now\\\"\"\n");
    const std::vector<std::string> kRows = {"row", "server", "policy", "value"};

    auto list = RunCsv("list", {"policy", "name", "key", "value", "type", "rule", "default", "roles", "optional"}, 0);
    ASSERT_GT(list.size(), 40u);
    EXPECT_EQ(list[0][0], "unixaccount");
    bool sawComma = false;
    for (const auto &row : list) sawComma = sawComma || Contains(row[5], "0 or 1, its box checked at 0");
    EXPECT_TRUE(sawComma);

    auto show = RunCsv("show VELMOR-PDC ups", {"row", "server", "policy", "value", "stored", "shown", "note"}, 0);
    ASSERT_GE(show.size(), 2u);
    EXPECT_EQ(show[0], (std::vector<std::string>{"server", "\\\\VELMOR-PDC", "", "", "", "", "primary domain controller"}));
    bool sawMessage = false;
    for (const auto &row : show)
        if (row[3] == "PowerFailMessage") {
            sawMessage = true;
            EXPECT_EQ(row[4], kQuotingText);
            EXPECT_EQ(row[0], "value");
        }
    EXPECT_TRUE(sawMessage);

    auto diff = RunCsv("diff base.reg \\\\VELMOR-PDC", {"row", "server", "policy", "value", "first", "second", "note"}, 1,
                       folder);
    std::vector<std::string> message;
    for (const auto &row : diff)
        if (row[3] == "PowerFailMessage") message = row;
    EXPECT_EQ(message, (std::vector<std::string>{"differs", "", "ups", "PowerFailMessage", "Leave, \"now\"", kQuotingText, ""}));

    auto check = RunCsv("check base.reg VELMOR-PDC NT-SERVER",
                        {"row", "server", "policy", "value", "stored", "baseline", "note"}, 1, folder);
    ASSERT_EQ(check.size(), 3u);
    EXPECT_EQ(check[0], (std::vector<std::string>{"differs", "\\\\VELMOR-PDC", "ups", "PowerFailMessage", kQuotingText,
                                                  "Leave, \"now\"", ""}));
    EXPECT_EQ(check[1], (std::vector<std::string>{"summary", "\\\\VELMOR-PDC", "", "", "", "", "1 value differs"}));
    EXPECT_EQ(check[2], (std::vector<std::string>{"refused", "\\\\NT-SERVER", "", "", "", "", "a Windows NT computer"}));

    auto servers = RunCsv("servers /domain:KORVID", {"server", "kind", "role", "version", "build", "error"}, 0);
    ASSERT_EQ(servers.size(), sizeof(kDomainLines) / sizeof(kDomainLines[0]));
    EXPECT_EQ(servers[2], (std::vector<std::string>{"\\\\LOCKED-SRV", "", "", "", "", "Access is denied (5)."}));
    EXPECT_EQ(servers[4], (std::vector<std::string>{"\\\\NT-WKSTA", "Odd, \"NT\"\r\nline", "no role", "", "", ""}));
    EXPECT_EQ(servers[9], (std::vector<std::string>{"\\\\VELMOR-PDC", kVelmor, "primary domain controller", "3.0", "1042", ""}));
}

// The benchmark's apply (five values of two policies): each touched key opened once for reading
// and writing, no write-access probe, one flush of the hive; the same report and undo file.
TEST(KorvidpolDomain, ApplyOfFiveValuesInTwoPoliciesTakesEighteenRoundTrips)
{
    LoadPolLab();
    std::string folder = WriteBaseline("trips", Section(kAlerter) + "\"IncludeMessageHeader\"=dword:00000001\n"
                                                "\"CountNotOnNetworkCache\"=dword:00000014\n\"NotOnNetworkCacheTimeout\"=dword:000000f0\n" +
                                                Section(kUps) + "\"PowerFailAddress\"=\"operators\"\n\"PowerMessageInterval\"=dword:00000005\n");
    LabResetCounters("VELMOR-PDC");
    PolRun run = RunPol("apply base.reg VELMOR-PDC /backup:undo", folder);
    EXPECT_EQ(run.code, 0u) << run.err;
    EXPECT_TRUE(Contains(run.out, "\\\\VELMOR-PDC  5 values written\n")) << run.out;
    EXPECT_EQ(LabCounter("VELMOR-PDC", "RoundTrips"), 18u);
    EXPECT_EQ(LabCounter("VELMOR-PDC", "RegOpenKeyExA"), 3u);  // the version probe and the two keys
    EXPECT_EQ(LabCounter("VELMOR-PDC", "RegFlushKey"), 1u);
    EXPECT_EQ(LabCounter("VELMOR-PDC", "OpenKeys") + LabCounter("VELMOR-PDC", "OpenRoots"), 0u);
    std::vector<std::string> undo = FilesIn(folder + "\\undo");
    ASSERT_EQ(undo.size(), 1u);
    std::string text = ReadTextFile(undo[0]);
    EXPECT_TRUE(Contains(text, "\"CountNotOnNetworkCache\"=dword:0000000a\n")) << text;
    EXPECT_TRUE(Contains(text, "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\UPS\\Parameters]\n; ups\n")) << text;
    // A key that will not open for writing is still read, and its write fails as before.
    LoadPolLab();
    LabSetFault("VELMOR-PDC", "OpenWrite", kUps, 5);
    PolRun refused = RunPol("apply base.reg VELMOR-PDC /backup:undo2", folder);
    EXPECT_EQ(refused.code, 1u);
    EXPECT_TRUE(Contains(refused.err, "korvidpol: \\\\VELMOR-PDC: writing SYSTEM\\CurrentControlSet\\Services\\UPS\\Parameters "
                                      "failed: Access is denied (5).; 0 values written; undo file: " + folder +
                                      "\\undo2\\VELMOR-PDC-"))
        << refused.err;
    EXPECT_EQ(LabCounter("VELMOR-PDC", "OpenKeys") + LabCounter("VELMOR-PDC", "OpenRoots"), 0u);
}
