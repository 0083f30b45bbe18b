// Users Alerts: how many violations of each kind the server tolerates before it alerts.
#include "model/model.h"

#include "resources/policynames.h"

namespace {

const PolicyKey kViolationKeys[] = {
    { "Violation", "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters",
      AccessHelpers },
};

constexpr NumberList kViolations = { 0, 10, 1, 5 };

const ValueModel kViolationValues[] = {
    ListValue("AccessAlert", kViolations, ByValueName()),
    ListValue("ErrorAlert", kViolations, ByValueName()),
    ListValue("LogonAlert", kViolations, ByValueName()),
};

}  // namespace

extern const PolicyModel kUsersAlertsPolicy = {
    "usersalerts", IDS_USERS_ALERTS, kViolationKeys, ARRAYSIZE(kViolationKeys),
    kViolationValues, ARRAYSIZE(kViolationValues), NULL,
};
