// Computer Browser Service: how often the browse lists are brought up to date, how long a former
// backup browser waits, and whether the service logs more.
#include "model/model.h"

#include "resources/policynames.h"

namespace {

const PolicyKey kBrowserKeys[] = {
    { "Browser", "SYSTEM\\CurrentControlSet\\Services\\Browser\\Parameters", AccessNumbered },
};

// The three intervals share one list of seconds, 60 to 3600 in steps of 20.
const ValueModel kBrowserValues[] = {
    ListValue("MasterUpdate", { 60, 3600, 20, 720 }, Numbered(2, 3, 3)),
    ListValue("BackupUpdate", { 60, 3600, 20, 720 }, Numbered(4, 5, 4)),
    ListValue("BackupRecovery", { 60, 3600, 20, 1800 }, Numbered(6, 7, 5)),
    FlagValue("MoreLog", 0, Numbered(8, 9, 2)),
};

// The switch goes before the intervals: a failed interval write leaves it changed.
const int kBrowserWriteOrder[] = { 3, 0, 1, 2 };

}  // namespace

extern const PolicyModel kBrowserPolicy = {
    "browser", IDS_BROWSER, kBrowserKeys, ARRAYSIZE(kBrowserKeys),
    kBrowserValues, ARRAYSIZE(kBrowserValues), kBrowserWriteOrder,
};
