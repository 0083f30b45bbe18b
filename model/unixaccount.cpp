// UNIX Account Mapping: whether the server creates a UNIX account for every new user.
#include "model/model.h"

#include "resources/policynames.h"

namespace {

const PolicyKey kUserServiceKeys[] = {
    { "New Users", "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\UserServiceParameters",
      AccessNumbered },
};

const ValueModel kUserServiceValues[] = {
    FlagValue("CreateUnixUser", 0, Numbered(2, 3, 2)),
};

}  // namespace

extern const PolicyModel kUnixAccountPolicy = {
    "unixaccount", IDS_UNIX_ACCOUNT, kUserServiceKeys, ARRAYSIZE(kUserServiceKeys),
    kUserServiceValues, ARRAYSIZE(kUserServiceValues), NULL,
};
