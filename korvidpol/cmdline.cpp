#include "korvidpol/cmdline.h"

#include <stdio.h>
#include <string.h>

#include "korvidpol/runner.h"

namespace {

// What each command takes: the least number of operands, the most (-1: any), the switches.
enum { SwitchOut = 1, SwitchDryRun = 2, SwitchBackup = 4, SwitchParallel = 8, SwitchDomain = 16, SwitchCsv = 32 };
// The commands that take SERVER...: a /domain: may stand for all of them.
const unsigned kServerListSwitches = SwitchParallel | SwitchDomain;

const struct {
    const char *name;
    PolCommand command;
    int leastOperands;
    int mostOperands;
    unsigned switches;
    const char *operands;  // for the message about a missing operand
} kCommands[] = {
    {"list", CommandList, 0, 0, SwitchCsv, ""},
    {"show", CommandShow, 1, -1, SwitchCsv, "SERVER [POLICY...]"},
    {"export", CommandExport, 1, -1, SwitchOut, "SERVER [POLICY...] [/out:FILE]"},
    {"diff", CommandDiff, 2, -1, SwitchCsv, "SOURCE SOURCE [POLICY...]"},
    {"apply", CommandApply, 2, -1, SwitchDryRun | SwitchBackup | kServerListSwitches,
     "FILE SERVER... [/dryrun] [/backup:DIR] [/parallel:N]"},
    {"restore", CommandRestore, 2, -1, SwitchDryRun | SwitchBackup | kServerListSwitches,
     "FILE SERVER... [/dryrun] [/backup:DIR] [/parallel:N]"},
    {"servers", CommandServers, 0, 0, SwitchDomain | SwitchParallel | SwitchCsv, ""},
    {"check", CommandCheck, 2, -1, kServerListSwitches | SwitchCsv, "FILE SERVER... [/parallel:N]"},
};

const char kUsage[] =
    "Shows, exports, compares, applies and restores the ten policies of Velmor Servers.\n"
    "\n"
    "korvidpol list\n"
    "korvidpol show    SERVER [POLICY...]\n"
    "korvidpol export  SERVER [POLICY...] [/out:FILE]\n"
    "korvidpol diff    SOURCE SOURCE [POLICY...]\n"
    "korvidpol apply   FILE SERVER... [/dryrun] [/backup:DIR] [/parallel:N]\n"
    "korvidpol restore FILE SERVER... [/dryrun] [/backup:DIR] [/parallel:N]\n"
    "korvidpol check   FILE SERVER... [/parallel:N]\n"
    "korvidpol servers [/domain:NAME] [/parallel:N]\n"
    "\n"
    "  POLICY      a policy's short id or its name; none means all ten (see korvidpol list)\n"
    "  SERVER      a computer name, with or without \\\\; @FILE: the names in FILE, one a line;\n"
    "              /domain:NAME: every Velmor Server with a domain role in domain NAME\n"
    "  SOURCE      \\\\SERVER, or a .reg file\n"
    "  /out:FILE   writes the export to FILE instead of standard output\n"
    "  /dryrun     shows what would change and writes nothing\n"
    "  /backup:DIR the folder of the undo files (default .\\korvidpol-backup)\n"
    "  /parallel:N works on N servers at once, 1 to 64 (default 4)\n"
    "  /domain:NAME the domain whose computers servers lists (default: this computer's)\n"
    "  /csv        list, show, diff, check and servers: the report as CSV rows\n"
    "\n"
    "Exit codes: 0 success (diff: no difference; check: every server in line); 1 diff found\n"
    "differences, check found a server that differs, or a server could not be done (servers:\n"
    "the domain could not be enumerated); 2 bad usage or a refused file, nothing done.\n";

bool Fail(char *error, int capacity, const char *format, const char *detail)
{
    snprintf(error, capacity, format, detail);
    return false;
}

// The text after "name:" when the switch is that one, matched without regard to case.
const char *SwitchValue(const char *text, const char *name)
{
    size_t length = strlen(name);
    if (_strnicmp(text, name, length) != 0 || text[length] != ':') return NULL;
    return text + length + 1;
}

// 1 to 64 in plain decimal digits; 0 for anything else.
int ParseParallel(const char *text)
{
    int value = 0;
    if (*text == 0 || strlen(text) > 2) return 0;
    for (; *text; text++) {
        if (*text < '0' || *text > '9') return 0;
        value = value * 10 + (*text - '0');
    }
    return value >= kMinParallel && value <= kMaxParallel ? value : 0;
}

// One switch (without its '/' or '-'); false for an unknown or repeated one.
bool ParseSwitch(const char *text, PolOptions *options, unsigned *seen, char *error, int capacity)
{
    const char *value = NULL;
    unsigned which = 0;
    if (lstrcmpiA(text, "dryrun") == 0) {
        which = SwitchDryRun;
        options->dryRun = true;
    } else if ((value = SwitchValue(text, "out")) != NULL) {
        which = SwitchOut;
        options->outFile = value;
    } else if ((value = SwitchValue(text, "backup")) != NULL) {
        which = SwitchBackup;
        options->backupDir = value;
    } else if (lstrcmpiA(text, "csv") == 0) {
        which = SwitchCsv;
        options->csv = true;
    } else if ((value = SwitchValue(text, "domain")) != NULL) {
        which = SwitchDomain;
        options->domain = value;
    } else if ((value = SwitchValue(text, "parallel")) != NULL) {
        which = SwitchParallel;
        options->parallel = ParseParallel(value);
        if (options->parallel == 0) return Fail(error, capacity, "/parallel takes a number from 1 to 64, not \"%s\"", value);
    } else {
        return Fail(error, capacity, "unknown switch /%s", text);
    }
    if (value != NULL && *value == 0) return Fail(error, capacity, "/%s needs a value", text);
    if (*seen & which) return Fail(error, capacity, "/%s is given twice", text);
    *seen |= which;
    return true;
}

}  // namespace

const char *UsageText() { return kUsage; }

bool ParseCommandLine(int argc, char **argv, PolOptions *options, char *error, int capacity)
{
    memset(options, 0, sizeof(*options));
    options->command = CommandUsage;
    options->parallel = kDefaultParallel;
    error[0] = 0;
    int command = -1;
    unsigned seen = 0;
    for (int i = 1; i < argc; i++) {
        const char *argument = argv[i];
        if ((argument[0] == '/' || argument[0] == '-') && argument[1] != 0) {
            if (strcmp(argument + 1, "?") == 0) {
                options->command = CommandUsage;
                return true;
            }
            if (!ParseSwitch(argument + 1, options, &seen, error, capacity)) return false;
            continue;
        }
        if (command < 0) {
            for (int c = 0; c < (int)(sizeof(kCommands) / sizeof(kCommands[0])); c++)
                if (lstrcmpiA(argument, kCommands[c].name) == 0) command = c;
            if (command < 0) return Fail(error, capacity, "unknown command \"%s\"", argument);
            continue;
        }
        if (options->operandCount >= kMaxOperands) return Fail(error, capacity, "more than %s operands", "512");
        options->operands[options->operandCount++] = argument;
    }
    if (command < 0) {
        if (seen != 0) return Fail(error, capacity, "a switch without a command%s", "");
        return true;  // no command: the usage
    }
    const auto &entry = kCommands[command];
    unsigned misplaced = seen & ~entry.switches;
    if (misplaced != 0) return Fail(error, capacity, "%s takes no such switch", entry.name);
    // A /domain: names the servers of a command that takes SERVER...: the FILE alone will do.
    int least = (seen & SwitchDomain) && entry.leastOperands > 1 ? 1 : entry.leastOperands;
    if (options->operandCount < least) {
        snprintf(error, capacity, "%s needs %s", entry.name, entry.operands);
        return false;
    }
    if (entry.mostOperands >= 0 && options->operandCount > entry.mostOperands)
        return Fail(error, capacity, "%s takes nothing more", entry.name);
    options->command = entry.command;
    return true;
}
