// A .reg file of policy values (an export, an undo file, or one written by hand), read and
// checked against the model before anything is done with it. Every refused entry is printed
// with its line and the rule it breaks; one refusal refuses the file.
#ifndef KORVIDPOL_POLICYFILE_H
#define KORVIDPOL_POLICYFILE_H

#include "korvidpol/regtext.h"
#include "korvidpol/values.h"

enum FileCheck {
    CheckNames,   // diff: keys and value names only
    CheckApply,   // apply: values an administrator could have chosen in the dialogs
    CheckRestore, // restore: stored values as they are, within the program's buffers
};

struct FileValue {
    const RegFileEntry *entry;
    ValueRef ref;
    ValueData candidate;  // apply: the number (days for a frequency) or text the entry stands for
};

struct PolicyFile {
    const char *path;
    RegFile *file;
    unsigned roles;  // the header's role, or every role
    bool hasRole;
    ServerRole role;
    bool touched[kPolicyCount];  // policies the file names
    int count;
    FileValue values[kRegFileEntries];
};

// Reads and checks; false after printing why (the caller exits with 2). The PolicyFile is large:
// allocate it with NewPolicyFile.
bool LoadPolicyFile(const char *path, FileCheck check, PolicyFile *loaded);
PolicyFile *NewPolicyFile();
void FreePolicyFile(PolicyFile *loaded);

// The entry as a stored value (a deletion is a missing value).
void EntryAsStored(const RegFileEntry &entry, RawValue *value);

#endif
