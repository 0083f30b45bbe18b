// Netlogon Service: the Net Logon service's parameters, in the layout of the server's role in
// its domain (the Policy page opens the template that matches the role).
#include "model/model.h"

#include "resources/policynames.h"

namespace {

const PolicyKey kNetlogonKeys[] = {
    { "Netlogon", "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters", AccessNamed },
};

const char kExportScripts[] =
    "%SystemRoot%\\var\\opt\\lanman\\shares\\korvid\\repl\\export\\scripts";
const char kImportScripts[] =
    "%SystemRoot%\\var\\opt\\lanman\\shares\\korvid\\repl\\import\\scripts";
const char kScriptsTooLong[] =
    "The length of the Scripts directory in Registry\nis greater than %d characters.\n"
    "Only the first %d characters will be displayed.\nRe-configure your Scripts directory path.";

const unsigned ForControllers = ForPrimary | ForBackup;

// The two password-change flags may be missing: their boxes are then unavailable and they are
// not written. The password change frequency is shown in days: MaximumPasswordAge holds days;
// a server without it keeps SSIPasswdAge, in seconds and with a far lower bound.
const ValueModel kNetlogonValues[] = {
    ForRoles(ForPrimary, TextValue("Scripts", REG_EXPAND_SZ, 240, kExportScripts,
                                   kScriptsTooLong, Named("Scripts"))),
    ForRoles(ForBackup, TextValue("Scripts", REG_EXPAND_SZ, 240, kImportScripts,
                                  kScriptsTooLong, Named("Scripts"))),
    ForRoles(ForControllers, OptionalValue(FlagValue("RefusePasswordChange", 0, Named("Update")))),
    ForRoles(ForPrimary, ListValue("Pulse", { 60, 3600, 20, 300 }, Named("Pulse"))),
    ForRoles(ForBackup, FlagValue("Update", 0, Named("Update"))),
    ForRoles(ForBackup, ListValue("Randomize", { 5, 120, 5, 30 }, Named("Random"))),
    ForRoles(ForServer, OptionalValue(FlagValue("DisablePasswordChange", 0, Named("Update")))),
    DaysValue("MaximumPasswordAge", { 1, 1000000, 1, 7 }, "SSIPasswdAge", 31, Named("Password")),
};

}  // namespace

extern const PolicyModel kNetlogonPolicy = {
    "netlogon", IDS_NETLOGON, kNetlogonKeys, ARRAYSIZE(kNetlogonKeys),
    kNetlogonValues, ARRAYSIZE(kNetlogonValues), NULL,
};
