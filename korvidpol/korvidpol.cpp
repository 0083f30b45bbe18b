#include "korvidpol/korvidpol.h"

#include "korvidpol/csv.h"
#include "korvidpol/text.h"

int ReportUsage(const char *reason)
{
    PrintLine(STD_ERROR_HANDLE, "korvidpol: %s\nkorvidpol /? shows the usage.\n", reason);
    return ExitUsage;
}

int RunKorvidPol(int argc, char **argv)
{
    static const struct {
        PolCommand command;
        int (*run)(const PolOptions &options);
    } commands[] = {
        {CommandList, ListPolicies},   {CommandShow, ShowServer},   {CommandExport, ExportServer},
        {CommandDiff, DiffSources},    {CommandApply, ApplyFile},   {CommandRestore, RestoreFile},
        {CommandServers, ListDomainServers}, {CommandCheck, CheckBaseline},
    };
    static PolOptions options;
    char error[kUsageErrorChars];
    if (!ParseCommandLine(argc, argv, &options, error, sizeof(error))) return ReportUsage(error);
    SetCsvOutput(options.csv);
    for (const auto &entry : commands)
        if (entry.command == options.command) return entry.run(options);
    PrintLine(STD_OUTPUT_HANDLE, "%s", UsageText());
    return ExitDone;
}
