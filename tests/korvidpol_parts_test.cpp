// korvidpol's parts without a server: the command line, the undo files' names, and the runner
// that reports in the order the servers were given.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "korvidpol/cmdline.h"
#include "korvidpol/runner.h"
#include "korvidpol/undo.h"
#include "tests/support/korvidpol_testing.h"

namespace {

bool Parse(std::vector<const char *> arguments, PolOptions *options, std::string *error)
{
    arguments.insert(arguments.begin(), "korvidpol");
    char text[kUsageErrorChars];
    bool ok = ParseCommandLine((int)arguments.size(), (char **)arguments.data(), options, text, sizeof(text));
    *error = text;
    return ok;
}

}  // namespace

TEST(KorvidpolParts, CommandLineTakesSwitchesInEitherFormAndCase)
{
    PolOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"Apply", "-DRYRUN", "f.reg", "/Backup:b", "S1", "/PARALLEL:64", "\\\\S2"}, &options, &error)) << error;
    EXPECT_EQ(options.command, CommandApply);
    EXPECT_TRUE(options.dryRun);
    EXPECT_STREQ(options.backupDir, "b");
    EXPECT_EQ(options.parallel, 64);
    ASSERT_EQ(options.operandCount, 3);
    EXPECT_STREQ(options.operands[2], "\\\\S2");
    ASSERT_TRUE(Parse({"restore", "f.reg", "S1"}, &options, &error));
    EXPECT_EQ(options.parallel, kDefaultParallel);
    EXPECT_EQ(options.backupDir, nullptr);
    const std::vector<const char *> usage[] = {{}, {"/?"}, {"apply", "-?"}};
    for (const auto &arguments : usage) {
        ASSERT_TRUE(Parse(arguments, &options, &error));
        EXPECT_EQ(options.command, CommandUsage);
    }
    const std::vector<const char *> bad[] = {
        {"/dryrun"}, {"apply", "f", "s", "/parallel:1x"}, {"apply", "f", "s", "/parallel:007"},
        {"apply", "f", "s", "/backup"}, {"show", "s", "/out:x"}, {"list", "/parallel:2"},
    };
    for (const auto &arguments : bad) EXPECT_FALSE(Parse(arguments, &options, &error)) << error;
}

TEST(KorvidpolParts, UndoFileNamesStayInsideTheFolderAndNeverOverwrite)
{
    const struct {
        const char *server;
        const char *name;
    } names[] = {
        {"\\\\VELMOR-PDC", "VELMOR-PDC"}, {"..\\..\\evil", "______evil"}, {"a/b:c*d?e", "a_b_c_d_e"},
        {"", "_"}, {"under_score-9", "under_score-9"},
    };
    for (const auto &c : names) {
        char name[80];
        MakeSafeFileName(c.server, name, sizeof(name));
        EXPECT_STREQ(name, c.name) << c.server;
    }
    std::string folder = FreshFolder("undonames") + "\\new\\deeper";
    DWORD status = 0;
    ASSERT_TRUE(MakeFolder(folder.c_str(), &status)) << status;
    TextBuffer text;
    InitText(&text);
    AppendText(&text, "REGEDIT4\n");
    SYSTEMTIME time = {2026, 12, 2, 8, 11, 5, 9, 0};
    char first[MAX_PATH], second[MAX_PATH];
    ASSERT_TRUE(WriteUndoFile(folder.c_str(), "..\\VELMOR-PDC", time, text, first, MAX_PATH, &status));
    ASSERT_TRUE(WriteUndoFile(folder.c_str(), "..\\VELMOR-PDC", time, text, second, MAX_PATH, &status));
    FreeText(&text);
    EXPECT_EQ(std::string(first), folder + "\\___VELMOR-PDC-20261208-110509.kpol");
    EXPECT_EQ(std::string(second), folder + "\\___VELMOR-PDC-20261208-110509-2.kpol");
    EXPECT_EQ(ReadTextFile(first), "REGEDIT4\n");
}

namespace {

// Later servers finish first; each report names its server.
void SlowFirstJob(void *, const char *server, ServerReport *report)
{
    Sleep(server[0] == '0' ? 60 : 0);
    AppendText(&report->out, "%s\n", server);
    report->failed = server[1] == 'x';
}

}  // namespace

TEST(KorvidpolParts, RunnerCountsFailuresOfEveryServerAtAnyParallelism)
{
    const char *servers[] = {"0x", "1", "2x", "3", "4", "5x"};
    for (int parallel : {1, 2, 6, 64}) EXPECT_EQ(RunServers(servers, 6, parallel, SlowFirstJob, NULL), 3) << parallel;
    EXPECT_EQ(RunServers(servers, 0, 4, SlowFirstJob, NULL), 0);
}
