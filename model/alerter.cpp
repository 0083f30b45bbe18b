// Alerter Service: the header of alert messages and the cache of clients not on the network.
#include "model/model.h"

#include "resources/policynames.h"

namespace {

const PolicyKey kAlerterKeys[] = {
    { "Alerter", "SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters", AccessNumbered },
};

// A stored count of 999 or more shows as 995, the last entry of the list.
const ValueModel kAlerterValues[] = {
    FlagValue("IncludeMessageHeader", 0, Numbered(2, 3, 2)),
    ListValue("CountNotOnNetworkCache", { 0, 995, 5, 10 }, Numbered(4, 5, 3)),
    ListValue("NotOnNetworkCacheTimeout", { 0, 3600, 10, 120 }, Numbered(6, 7, 4)),
};

}  // namespace

extern const PolicyModel kAlerterPolicy = {
    "alerter", IDS_ALERTER, kAlerterKeys, ARRAYSIZE(kAlerterKeys),
    kAlerterValues, ARRAYSIZE(kAlerterValues), NULL,
};
