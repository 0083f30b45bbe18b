// File Name Space Mapping: how the server maps UNIX file names for clients that need 8.3-style
// or Windows NT-style names, and the separator that marks a mapped name.
#include "model/model.h"

#include "resources/policynames.h"

namespace {

const PolicyKey kMappingKeys[] = {
    { "NAMESPACE", "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\FileServiceParameters",
      AccessHelpers },
};

// Plain ASCII only: the server's clients must all be able to spell a mapped name.
const char kSeparatorCharacters[] =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz~";

// NameSpaceMapping holds the two kinds of mapping as bits (1 8.3-style, 2 Windows NT-style);
// a larger number shows as both. A longer separator is shown cut without a warning.
const ValueModel kMappingValues[] = {
    ListValue("UniqueSuffixLength", { 0, 7, 1, 3 }, ByValueName()),
    ListValue("NameSpaceMapping", { 0, 3, 1, 3 }, ByValueName()),
    FlagValue("MixedCaseSupport", 0, ByValueName()),
    FlagValue("TruncatedExtensions", 1, ByValueName()),
    SeparatorValue("MappingSeparator", 7, "~", kSeparatorCharacters, ByValueName()),
};

}  // namespace

extern const PolicyModel kNameSpacePolicy = {
    "namespace", IDS_NAME_SPACE, kMappingKeys, ARRAYSIZE(kMappingKeys),
    kMappingValues, ARRAYSIZE(kMappingValues), NULL,
};
