// The kinds and roles of a computer, as the classification finds them: shared by the selected
// computer, the policies' model and korvidpol, none of which needs the others for them.
#ifndef KORVID_COMPUTER_H
#define KORVID_COMPUTER_H

enum PlatformKind {
    PlatformNone = 0,
    PlatformVelmorServer = 1,
    PlatformVelmorServerNoVersionKey = 2,
    PlatformWindowsNT = 3,
    PlatformWindows95 = 4,
    PlatformWindowsForWorkgroups = 6,
    PlatformLanManager = 7,
};

enum ServerRole {
    RoleServer = 0,
    RolePrimaryDomainController = 1,
    RoleBackupDomainController = 2,
};

#endif
