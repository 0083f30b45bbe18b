// The command line of korvidpol: a command, its operands and switches. Switches start with '/'
// or '-' and are matched without regard to case; "/?" asks for the usage.
#ifndef KORVIDPOL_CMDLINE_H
#define KORVIDPOL_CMDLINE_H

enum PolCommand {
    CommandUsage,  // "/?" or no command at all
    CommandList,
    CommandShow,
    CommandExport,
    CommandDiff,
    CommandApply,
    CommandRestore,
    CommandServers,
    CommandCheck,
};

enum { kMaxOperands = 512, kUsageErrorChars = 320 };

struct PolOptions {
    PolCommand command;
    const char *operands[kMaxOperands];  // after the command, in the order given
    int operandCount;
    const char *outFile;    // export /out:FILE, or NULL
    const char *backupDir;  // apply and restore /backup:DIR, or NULL
    bool dryRun;
    int parallel;
    const char *domain;     // /domain:NAME, or NULL
    bool csv;               // /csv: the report as CSV rows
};

// Parses argv[1..]; false with the reason for bad usage.
bool ParseCommandLine(int argc, char **argv, PolOptions *options, char *error, int capacity);
// The usage text printed by "/?" and after bad usage.
const char *UsageText();

#endif
