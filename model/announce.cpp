// Server Announcement: whether the server announces itself, how often, and whether down-level
// LAN Manager servers hear it too.
#include "model/model.h"

#include "resources/policynames.h"

namespace {

const PolicyKey kAnnouncementKeys[] = {
    { "LM", "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters", AccessHelpers },
};

// The box says "announce", the value says "hidden": the box is checked when Hidden is 0.
const ValueModel kAnnouncementValues[] = {
    InvertedFlagValue("Hidden", 0, ByValueName()),
    ListValue("SrvAnnounce", { 60, 3600, 60, 180 }, ByValueName()),
    FlagValue("LmAnnounce", 0, ByValueName()),
};

}  // namespace

extern const PolicyModel kAnnouncePolicy = {
    "announce", IDS_ANNOUNCEMENT, kAnnouncementKeys, ARRAYSIZE(kAnnouncementKeys),
    kAnnouncementValues, ARRAYSIZE(kAnnouncementValues), NULL,
};
