// Connected Clients: how often the server asks its clients whether they are still active (the
// Netlogon service's key) and after how long it drops an inactive one (the server's key).
#include "model/model.h"

#include "resources/policynames.h"

namespace {

const PolicyKey kClientKeys[] = {
    { "Clients", "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters", AccessNamed },
    { "Clients", "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters",
      AccessHelpers },
};

// AutoDisconnect is stored in minutes and chosen in whole hours; 0 disconnects nobody. The
// Netlogon key's values are written and flushed before the server key is opened, so a failure
// there leaves them in place.
const ValueModel kClientValues[] = {
    ListValue("LogonQuery", { 60, 3600, 20, 900 }, Named("Query")),
    ListValue("QueryDelay", { 1, 60, 1, 2 }, Named("Delay")),
    ListValue("RelogonDelay", { 1, 60, 1, 2 }, Named("Wait")),
    InKey(1, ListValue("AutoDisconnect", { 0, 3600, 60, 0 }, ByValueName())),
};

}  // namespace

extern const PolicyModel kClientsPolicy = {
    "clients", IDS_CONNECTED_CLIENTS, kClientKeys, ARRAYSIZE(kClientKeys),
    kClientValues, ARRAYSIZE(kClientValues), NULL,
};
