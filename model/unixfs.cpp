// UNIX File System Integration: record locks, files created on NFS volumes, who may create
// files in UNIX directories, and the permission bits of new files and directories.
#include "model/model.h"

#include "resources/policynames.h"

namespace {

const PolicyKey kFileSystemKeys[] = {
    { "UNIXFS", "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\FileServiceParameters",
      AccessHelpers },
};

// UnixDirectoryCheck: 0 write permission, 1 server's directories, 2 read permission; a larger
// number shows as 2.
const ValueModel kFileSystemValues[] = {
    FlagValue("UseUnixLocks", 0, ByValueName()),
    FlagValue("RootOwnsFilesCreatedOnNFS", 0, ByValueName()),
    ListValue("UnixDirectoryCheck", { 0, 2, 1, 1 }, ByValueName()),
    FlagValue("IgnoreUnixPermissions", 0, ByValueName()),
    MaskValue("UnixDirectoryPerms", 3, 0775, ByValueName()),
    MaskValue("UnixFilePerms", 4, 02664, ByValueName()),
};

}  // namespace

extern const PolicyModel kUnixFsPolicy = {
    "unixfs", IDS_UNIX_FS, kFileSystemKeys, ARRAYSIZE(kFileSystemKeys),
    kFileSystemValues, ARRAYSIZE(kFileSystemValues), NULL,
};
