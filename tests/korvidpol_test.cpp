// korvidpol through its real executable (korvidpol-lab.exe, started with pipes) against the lab
// network: exit codes, output, values read back from the lab, and the counters of the writes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "lab/labconfig.h"
#include "tests/support/korvidpol_testing.h"

namespace {

const char kAlerter[] = "SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters";
const char kUps[] = "SYSTEM\\CurrentControlSet\\Services\\UPS\\Parameters";
const char kNetlogon[] = "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters";
const char kFileService[] = "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\FileServiceParameters";

// A .reg file of the given body (sections and values), with an optional header role.
std::string PolicyFileText(const std::string &body, const char *role = NULL)
{
    std::string text = "REGEDIT4\n\n; written by a test\n";
    if (role != NULL) text += std::string("; Role: ") + role + "\n";
    return text + body;
}

std::string Section(const char *key) { return std::string("\n[HKEY_LOCAL_MACHINE\\") + key + "]\n"; }

bool Contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

DWORD Dword(const char *computer, const char *key, const char *name)
{
    DWORD value = 0xFFFFFFFF;
    EXPECT_TRUE(LabGetRegDword(computer, key, name, &value)) << computer << " " << name;
    return value;
}

std::string String(const char *computer, const char *key, const char *name)
{
    std::string text;
    EXPECT_TRUE(LabGetRegString(computer, key, name, &text)) << computer << " " << name;
    return text;
}

}  // namespace

TEST(Korvidpol, UsageAndBadUsageDoNothing)
{
    LoadPolLab();
    PolRun help = RunPol("/?");
    EXPECT_EQ(help.code, 0u);
    EXPECT_TRUE(Contains(help.out, "korvidpol apply   FILE SERVER... [/dryrun] [/backup:DIR] [/parallel:N]"));
    const PolCase cases[] = {
        {"frob", "unknown command \"frob\""},
        {"list extra", "list takes nothing more"},
        {"show", "show needs SERVER"},
        {"SHOW VELMOR-PDC nosuchpolicy", "no policy is called \"nosuchpolicy\""},
        {"apply policies.reg", "apply needs FILE SERVER..."},
        {"apply policies.reg VELMOR-PDC /parallel:65", "/parallel takes a number from 1 to 64"},
        {"apply policies.reg VELMOR-PDC -PARALLEL:0", "/parallel takes a number from 1 to 64"},
        {"restore policies.reg VELMOR-PDC /dryrun /DryRun", "/DryRun is given twice"},
        {"export VELMOR-PDC /dryrun", "export takes no such switch"},
        {"export VELMOR-PDC /out:", "/out: needs a value"},
        {"diff \\\\VELMOR-PDC", "diff needs SOURCE SOURCE"},
        {"apply missing.reg VELMOR-PDC", "cannot open missing.reg"},
    };
    for (const auto &c : cases) {
        PolRun run = RunPol(c.arguments);
        EXPECT_EQ(run.code, 2u) << c.arguments;
        EXPECT_EQ(run.out, "") << c.arguments;
        EXPECT_EQ(run.err.find("korvidpol: "), 0u) << run.err;
        EXPECT_TRUE(Contains(run.err, c.text)) << c.arguments << ": " << run.err;
    }
    EXPECT_EQ(LabCounter("VELMOR-PDC", "RoundTrips"), 0u);
}

TEST(Korvidpol, ListNamesTheTenPoliciesAndTheirValues)
{
    PolRun run = RunPol("list");
    EXPECT_EQ(run.code, 0u);
    for (const char *line : {"unixaccount  UNIX Account Mapping\n", "alerter  Alerter Service\n", "announce  ",
                             "  key  SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters\n",
                             "  CountNotOnNetworkCache  REG_DWORD  0 to 995, step 5  default 10  every role\n",
                             "  Pulse  REG_DWORD  60 to 3600, step 20  default 300  primary domain controller\n"})
        EXPECT_TRUE(Contains(run.out, line)) << line << "\n" << run.out;
}

TEST(Korvidpol, ShowGivesStoredAndShownValuesWithNotes)
{
    LoadPolLab();
    LabSetRegDword("VELMOR-PDC", kAlerter, "CountNotOnNetworkCache", 1000);
    LabSetRegDword("VELMOR-PDC", kAlerter, "NotOnNetworkCacheTimeout", 125);
    LabSetRegString("VELMOR-PDC", kAlerter, "IncludeMessageHeader", "1");
    LabSetRegString("VELMOR-PDC", kUps, "PowerFailAddress", "a-recipient-of-20-ch");
    LabDeleteRegValue("VELMOR-PDC", kUps, "PowerMessageInterval");
    PolRun pdc = RunPol("show \\\\VELMOR-PDC ALERTER \"UPS Service\"");
    EXPECT_EQ(pdc.code, 0u) << pdc.err;
    for (const char *line : {
             "\\\\VELMOR-PDC  primary domain controller\n",
             "alerter  IncludeMessageHeader  stored REG_SZ \"1\"  note: wrong type, not REG_DWORD\n",
             "alerter  CountNotOnNetworkCache  stored 1000  shown 995  note: out of range\n",
             "alerter  NotOnNetworkCacheTimeout  stored 125  shown 120  note: not a step of 10\n",
             "ups  PowerFailAddress  stored \"a-recipient-of-20-ch\"  shown \"a-recipient-of-\"  note: too long",
             "ups  PowerMessageInterval  stored (missing)  note: missing\n"})
        EXPECT_TRUE(Contains(pdc.out, line)) << line << "\n" << pdc.out;
    EXPECT_FALSE(Contains(pdc.out, "browser"));
    PolRun bdc = RunPol("show VELMOR-BDC netlogon");
    EXPECT_TRUE(Contains(bdc.out, "netlogon  SSIPasswdAge  stored 604800  shown 7\n")) << bdc.out;
    EXPECT_FALSE(Contains(bdc.out, "Pulse"));
}

TEST(Korvidpol, ExportAppliedToAnotherServerLeavesNoDifference)
{
    LoadPolLab();
    AddLabCopy("VELMOR-PDC", "PDC-TWO");
    LabSetRegDword("VELMOR-PDC", kAlerter, "CountNotOnNetworkCache", 20);
    LabSetRegString("VELMOR-PDC", kUps, "PowerFailMessage", "Power \"out\" at C:\\site\r\nLeave now.");
    LabSetRegDword("VELMOR-PDC", kNetlogon, "Pulse", 600);
    LabSetRegDword("VELMOR-PDC", kNetlogon, "MaximumPasswordAge", 45);
    LabSetRegString("VELMOR-PDC", kFileService, "MappingSeparator", "~x1");
    std::string folder = FreshFolder("roundtrip");
    PolRun exported = RunPol("export VELMOR-PDC /out:pdc.reg", folder);
    ASSERT_EQ(exported.code, 0u) << exported.err;
    std::string text = ReadTextFile(folder + "\\pdc.reg");
    EXPECT_EQ(text.find("REGEDIT4\n\n; korvidpol export of \\\\VELMOR-PDC\n; Server: VELMOR-PDC\n"
                        "; Role: primary domain controller\n; Time: "), 0u) << text;
    EXPECT_TRUE(Contains(text, "\"MappingSeparator\"=\"~x1\"\n"));

    PolRun before = RunPol("diff \\\\VELMOR-PDC \\\\PDC-TWO");
    EXPECT_EQ(before.code, 1u);
    EXPECT_TRUE(Contains(before.out, "alerter  CountNotOnNetworkCache  20 -> 10\n")) << before.out;
    PolRun applied = RunPol("apply pdc.reg PDC-TWO", folder);
    EXPECT_EQ(applied.code, 0u) << applied.err;
    EXPECT_TRUE(Contains(applied.out, "\\\\PDC-TWO  netlogon  Pulse  300 -> 600\n")) << applied.out;
    EXPECT_TRUE(Contains(applied.out, "\\\\PDC-TWO  5 values written\n")) << applied.out;
    for (const char *sources : {"diff \\\\VELMOR-PDC \\\\PDC-TWO", "diff pdc.reg \\\\PDC-TWO"}) {
        PolRun after = RunPol(sources, folder);
        EXPECT_EQ(after.code, 0u) << sources << "\n" << after.out << after.err;
        EXPECT_EQ(after.out, "") << sources;
    }
    EXPECT_EQ(String("PDC-TWO", kUps, "PowerFailMessage"), "Power \"out\" at C:\\site\r\nLeave now.");
}

TEST(Korvidpol, AKeyIsReadInOneBatchedCallOrValueByValueWithTheSameResult)
{
    LoadPolLab();
    LabSetRegDword("VELMOR-PDC", kAlerter, "CountNotOnNetworkCache", 20);
    std::string exported[2];
    for (int refused = 0; refused < 2; refused++) {
        LabSetFault("VELMOR-PDC", "QueryMultiple", kAlerter, refused ? ERROR_CALL_NOT_IMPLEMENTED : 0);
        LabResetCounters("VELMOR-PDC");
        PolRun run = RunPol("export VELMOR-PDC alerter");
        ASSERT_EQ(run.code, 0u) << run.err;
        exported[refused] = run.out.substr(run.out.find("\n["));
        EXPECT_EQ(LabCounter("VELMOR-PDC", "RegQueryMultipleValuesA"), 1u);
        EXPECT_EQ(LabCounter("VELMOR-PDC", "RegQueryValueExA"), refused ? 3u : 0u);
    }
    EXPECT_TRUE(Contains(exported[0], "\"CountNotOnNetworkCache\"=dword:00000014\n")) << exported[0];
    EXPECT_EQ(exported[0], exported[1]);
}

TEST(Korvidpol, RegeditImportOfAnExportReproducesTheValues)
{
    LoadPolLab();
    LabSetRegString("VELMOR-BDC", kUps, "PowerFailAddress", "ops \"night\" \\ team");
    std::string folder = FreshFolder("regedit");
    ASSERT_EQ(RunPol("export VELMOR-BDC /out:bdc.reg", folder).code, 0u);
    std::string command = "regedit.exe /s \"" + folder + "\\bdc.reg\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process));
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    // The export holds every value of these keys on a backup controller; the local copy matches.
    for (const char *key : {kAlerter, kUps, kFileService})
        EXPECT_EQ(KeyContents("", key, HKEY_LOCAL_MACHINE), KeyContents("VELMOR-BDC", key)) << key;
}

// Every rule a file entry can break: the whole file is refused, nothing is done anywhere.
TEST(Korvidpol, EachRefusedEntryRefusesTheWholeFile)
{
    const std::string good = Section("SYSTEM\\CurrentControlSet\\Services\\Browser\\Parameters") + "\"MoreLog\"=dword:1\n";
    const struct {
        std::string body;
        const char *role;
        const char *error;
    } cases[] = {
        {Section("SYSTEM\\Elsewhere") + "\"X\"=dword:1\n", NULL, "line 9: [HKEY_LOCAL_MACHINE\\SYSTEM\\Elsewhere] is the key of no policy"},
        {Section(kAlerter) + "\"Unknown\"=dword:1\n", NULL, "line 9: \"Unknown\" is no value of a policy in this key"},
        {Section(kAlerter) + "\"CountNotOnNetworkCache\"=\"20\"\n", NULL, "line 9: \"CountNotOnNetworkCache\" is REG_SZ; it must be REG_DWORD"},
        {Section(kAlerter) + "\"CountNotOnNetworkCache\"=dword:0000000c\n", NULL, "line 9: \"CountNotOnNetworkCache\" 12 is not a step of 5"},
        {Section(kNetlogon) + "\"Pulse\"=dword:0000001e\n", NULL, "line 9: \"Pulse\" 30 is below 60"},
        {Section(kAlerter) + "\"IncludeMessageHeader\"=dword:00000002\n", NULL, "line 9: \"IncludeMessageHeader\" 2: a flag is 0 or 1"},
        {Section(kUps) + "\"PowerFailAddress\"=\"sixteen-letters!\"\n", NULL, "line 9: \"PowerFailAddress\": longer than 15 characters"},
        {Section(kFileService) + "\"MappingSeparator\"=\"a.b\"\n", NULL, "line 9: \"MappingSeparator\": it holds '.'"},
        {Section(kFileService) + "\"UnixDirectoryPerms\"=dword:00000200\n", NULL, "line 9: \"UnixDirectoryPerms\" 01000: a mask wider than 3 octal digits"},
        {Section(kAlerter) + "\"CountNotOnNetworkCache\"=-\n", NULL, "line 9: \"CountNotOnNetworkCache\"=-: apply does not delete values"},
        {Section(kNetlogon) + "\"SSIPasswdAge\"=dword:00000064\n", NULL, "line 9: \"SSIPasswdAge\" 100 is not a whole number of days"},
        {Section(kNetlogon) + "\"Pulse\"=dword:0000012c\n", "backup domain controller", "line 10: \"Pulse\" is no value of a backup domain controller's policies"},
        {Section(kNetlogon) + "\"MaximumPasswordAge\"=dword:7\n\"SSIPasswdAge\"=dword:00093a80\n", NULL, "line 10: \"SSIPasswdAge\" sets the value of line 9 again"},
        {Section(kUps) + "\"PowerFailAddress\"=\"a\\tb\"\n", NULL, "line 9: the quoted string holds a bad escape"},
        {good, "domain boss", "line 1: the header's role \"domain boss\" is none of"},
    };
    for (const auto &c : cases) {
        LoadPolLab();
        std::string folder = FreshFolder("refused");
        WriteTextFile(folder + "\\policies.reg", PolicyFileText(good + c.body, c.role));
        PolRun run = RunPol("apply policies.reg VELMOR-PDC VELMOR-BDC /backup:undo", folder);
        EXPECT_EQ(run.code, 2u) << c.error;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(Contains(run.err, std::string("korvidpol: policies.reg: ") + c.error)) << run.err;
        EXPECT_EQ(SumCounters({"VELMOR-PDC", "VELMOR-BDC"}, "RoundTrips"), 0u) << c.error;
        EXPECT_FALSE(FolderExists(folder + "\\undo")) << c.error;
    }
}

TEST(Korvidpol, DryRunShowsTheChangesAndWritesNothing)
{
    LoadPolLab();
    std::string folder = FreshFolder("dryrun");
    WriteTextFile(folder + "\\p.reg", PolicyFileText(Section(kAlerter) + "\"CountNotOnNetworkCache\"=dword:14\n"
                                                     "\"NotOnNetworkCacheTimeout\"=dword:78\n"));
    PolRun run = RunPol("apply p.reg VELMOR-PDC VELMOR-MEMBER /dryrun", folder);
    EXPECT_EQ(run.code, 0u) << run.err;
    EXPECT_EQ(run.out, "\\\\VELMOR-PDC  alerter  CountNotOnNetworkCache  10 -> 20\n"
                       "\\\\VELMOR-MEMBER  alerter  CountNotOnNetworkCache  10 -> 20\n");
    EXPECT_EQ(SumCounters({"VELMOR-PDC", "VELMOR-MEMBER"}, "RegSetValueExA"), 0u);
    EXPECT_FALSE(FolderExists(folder + "\\korvidpol-backup"));
    WriteTextFile(folder + "\\same.reg", PolicyFileText(Section(kAlerter) + "\"CountNotOnNetworkCache\"=dword:a\n"));
    EXPECT_EQ(RunPol("apply same.reg VELMOR-PDC", folder).out, "\\\\VELMOR-PDC  no change\n");
    EXPECT_EQ(SumCounters({"VELMOR-PDC"}, "RegSetValueExA"), 0u);
    EXPECT_FALSE(FolderExists(folder + "\\korvidpol-backup"));
}

TEST(Korvidpol, RestoreOfTheUndoFileGivesBackTheEarlierValuesExactly)
{
    LoadPolLab();
    LabDeleteRegValue("VELMOR-MEMBER", kNetlogon, "DisablePasswordChange");
    const char *keys[] = {kAlerter, kUps, kNetlogon};
    std::string before[3];
    for (int i = 0; i < 3; i++) before[i] = KeyContents("VELMOR-MEMBER", keys[i]);
    std::string folder = FreshFolder("undo");
    WriteTextFile(folder + "\\p.reg",
                  PolicyFileText(Section(kAlerter) + "\"CountNotOnNetworkCache\"=dword:14\n" + Section(kUps) +
                                 "\"PowerFailMessage\"=\"Leave now.\"\n" + Section(kNetlogon) +
                                 "\"DisablePasswordChange\"=dword:1\n\"MaximumPasswordAge\"=dword:1e\n"));
    PolRun applied = RunPol("apply p.reg VELMOR-MEMBER /backup:undo", folder);
    ASSERT_EQ(applied.code, 0u) << applied.err;
    EXPECT_TRUE(Contains(applied.out, "\\\\VELMOR-MEMBER  netlogon  DisablePasswordChange  (missing) -> 1\n"));
    std::vector<std::string> undo = FilesIn(folder + "\\undo");
    ASSERT_EQ(undo.size(), 1u);
    EXPECT_TRUE(Contains(applied.out, "\\\\VELMOR-MEMBER  undo file: " + folder + "\\undo\\VELMOR-MEMBER-"))
        << applied.out;
    EXPECT_TRUE(Contains(ReadTextFile(undo[0]), "\"DisablePasswordChange\"=-\n"));
    EXPECT_EQ(Dword("VELMOR-MEMBER", kNetlogon, "MaximumPasswordAge"), 30u);

    PolRun restored = RunPol("restore \"" + undo[0] + "\" \\\\VELMOR-MEMBER /backup:undo", folder);
    EXPECT_EQ(restored.code, 0u) << restored.err;
    EXPECT_TRUE(Contains(restored.out, "\\\\VELMOR-MEMBER  netlogon  DisablePasswordChange  1 -> (missing)\n"));
    for (int i = 0; i < 3; i++) EXPECT_EQ(KeyContents("VELMOR-MEMBER", keys[i]), before[i]) << keys[i];
    // The restore kept its own undo file, which puts the applied values back, the created value too.
    // (Within the same second its name is the apply's with "-2": it is told apart by name, not order.)
    const std::string applyUndo = undo[0];
    undo = FilesIn(folder + "\\undo");
    ASSERT_EQ(undo.size(), 2u);
    const std::string restoreUndo = undo[0] == applyUndo ? undo[1] : undo[0];
    EXPECT_EQ(RunPol("restore \"" + restoreUndo + "\" VELMOR-MEMBER /backup:undo", folder).code, 0u);
    EXPECT_EQ(Dword("VELMOR-MEMBER", kNetlogon, "DisablePasswordChange"), 1u);
    EXPECT_EQ(RunPol("restore \"" + restoreUndo + "\" VELMOR-MEMBER", folder).out, "\\\\VELMOR-MEMBER  no change\n");
}

TEST(Korvidpol, RolesDecideWhatIsAppliedAndTheFrequencyIsConverted)
{
    LoadPolLab();
    std::string folder = FreshFolder("roles");
    ASSERT_EQ(RunPol("export VELMOR-PDC netlogon /out:pdc.reg", folder).code, 0u);
    LabSetRegDword("VELMOR-PDC", kNetlogon, "MaximumPasswordAge", 45);
    ASSERT_EQ(RunPol("export VELMOR-PDC netlogon /out:pdc45.reg", folder).code, 0u);
    PolRun run = RunPol("apply pdc45.reg VELMOR-BDC VELMOR-MEMBER /parallel:1", folder);
    EXPECT_EQ(run.code, 0u) << run.err;
    for (const char *line : {"\\\\VELMOR-BDC  netlogon  Scripts  skipped: the file's value is a primary domain controller's, the server is a backup domain controller\n",
                             "\\\\VELMOR-BDC  netlogon  Pulse  skipped: a backup domain controller has no such value\n",
                             "\\\\VELMOR-BDC  netlogon  SSIPasswdAge  604800 -> 2678400\n",
                             "\\\\VELMOR-MEMBER  netlogon  RefusePasswordChange  skipped: a member server has no such value\n",
                             "\\\\VELMOR-MEMBER  netlogon  MaximumPasswordAge  7 -> 45\n"})
        EXPECT_TRUE(Contains(run.out, line)) << line << "\n" << run.out;
    EXPECT_EQ(Dword("VELMOR-BDC", kNetlogon, "SSIPasswdAge"), 31u * 86400);
    EXPECT_FALSE(LabRegValueExists("VELMOR-BDC", kNetlogon, "MaximumPasswordAge"));
    EXPECT_TRUE(Contains(String("VELMOR-BDC", kNetlogon, "Scripts"), "import"));
    PolRun diff = RunPol("diff pdc.reg \\\\VELMOR-BDC", folder);
    EXPECT_EQ(diff.code, 1u);
    EXPECT_TRUE(Contains(diff.out, "netlogon  Pulse  skipped: \\\\VELMOR-BDC (backup domain controller) has no such value\n"))
        << diff.out;
}

TEST(Korvidpol, AFailingServerKeepsItsUndoFileAndTheOthersAreDone)
{
    LoadPolLab();
    AddLabCopy("VELMOR-PDC", "PDC-TWO");
    LabSetFault("PDC-TWO", "SetValue", (std::string(kAlerter) + "\\NotOnNetworkCacheTimeout").c_str(), 5);
    std::string folder = FreshFolder("fault");
    WriteTextFile(folder + "\\p.reg", PolicyFileText(Section(kAlerter) + "\"CountNotOnNetworkCache\"=dword:14\n"
                                                     "\"NotOnNetworkCacheTimeout\"=dword:f0\n"));
    PolRun run = RunPol("apply p.reg OFFLINE-PC VELMOR-PDC NT-SERVER PDC-TWO VELMOR-BDC /parallel:3", folder);
    EXPECT_EQ(run.code, 1u);
    EXPECT_TRUE(Contains(run.err, "korvidpol: \\\\OFFLINE-PC: The network path was not found (53).\n")) << run.err;
    EXPECT_TRUE(Contains(run.out, "\\\\NT-SERVER  refused: ")) << run.out;
    EXPECT_TRUE(Contains(run.err, "korvidpol: \\\\PDC-TWO: writing NotOnNetworkCacheTimeout failed: Access is denied (5).; "
                                  "1 value written; undo file: " + folder + "\\korvidpol-backup\\PDC-TWO-")) << run.err;
    EXPECT_EQ(FilesIn(folder + "\\korvidpol-backup").size(), 3u);
    EXPECT_EQ(Dword("PDC-TWO", kAlerter, "CountNotOnNetworkCache"), 20u);
    for (const char *done : {"VELMOR-PDC", "VELMOR-BDC"}) {
        EXPECT_EQ(Dword(done, kAlerter, "NotOnNetworkCacheTimeout"), 240u) << done;
        EXPECT_TRUE(Contains(run.out, std::string("\\\\") + done + "  2 values written\n")) << run.out;
    }
    // The report keeps the order the servers were given in.
    EXPECT_LT(run.out.find("\\\\VELMOR-PDC  alerter"), run.out.find("\\\\NT-SERVER"));
    EXPECT_LT(run.out.find("\\\\NT-SERVER"), run.out.find("\\\\PDC-TWO  alerter"));
    EXPECT_LT(run.out.find("\\\\PDC-TWO  alerter"), run.out.find("\\\\VELMOR-BDC  alerter"));
}
