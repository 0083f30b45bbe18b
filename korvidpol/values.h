// korvidpol's view of the policies' values: found by key and name, read as stored, and written
// out as text. Everything it knows of a policy comes from the program's model (model/model.h).
#ifndef KORVIDPOL_VALUES_H
#define KORVIDPOL_VALUES_H

#include <windows.h>

#include "korvidpol/server.h"
#include "korvidpol/text.h"
#include "model/model.h"

// Names of one value: [0] its own, [1] the alternate it may be held under (seconds), if any.
enum { kValueNames = 2 };

// A value of the model by where it lives: policy and value indexes, and which of its names.
struct ValueRef {
    int policy;
    int value;
    int nameIndex;  // 0 its own name, 1 its alternate
};

const PolicyModel &PolicyAt(int index);
const ValueModel &ValueAt(const ValueRef &ref);
const char *ValueName(const ValueModel &value, int nameIndex);  // NULL when it has no such name
const char *KeyPathOf(const ValueRef &ref);

// The role bit (ForPrimary, ...) of a role; a set of roles is an OR of them.
unsigned RoleBit(ServerRole role);
// "member server" or "a primary domain controller and a backup domain controller": the roles
// that have a value, for the list.
void DescribeRoles(unsigned roles, char *text, int capacity);

// The value a key path (below HKEY_LOCAL_MACHINE) and value name stand for, among the values of
// any of the roles; false when none.
bool FindValueByKey(const char *keyPath, const char *name, unsigned roles, ValueRef *ref);
// The first key path of any policy matching the path without regard to case, or NULL.
const char *FindPolicyKeyPath(const char *keyPath);

// Policies named on the command line by id or name; none named chooses all ten.
struct PolicyChoice {
    bool chosen[kPolicyCount];
};
bool ChoosePolicies(const char *const *names, int count, PolicyChoice *choice, char *error,
                    int capacity);

// Every name of every value of one policy, as stored on a server, read key by key.
struct PolicySnapshot {
    LONG status;  // a key that failed to open other than as missing, else 0
    RawValue values[kMaxPolicyValues][kValueNames];
};
LONG SnapshotPolicy(HKEY root, const PolicyModel &policy, PolicySnapshot *snapshot);
// SnapshotPolicy that keeps each key open for writing too (ReadRawValuesKeeping): kept holds one
// handle per key of the policy, NULL for a key not kept; the caller closes them.
LONG SnapshotPolicyKeeping(HKEY root, const PolicyModel &policy, PolicySnapshot *snapshot, HKEY *kept);

// The chosen values as REGEDIT4 sections, one per key, each policy's values in reading order,
// under the name the server uses. A missing value is a comment, or for an undo file "Name"=-,
// and both names of a value with an alternate are recorded there; a name is written only once.
void WritePolicyValues(TextBuffer *out, const bool (*chosen)[kMaxPolicyValues],
                       const PolicySnapshot *const *policies, bool undo);
// The name index the server holds a value under: the alternate only when it alone is there.
int UsedName(const ValueModel &value, const RawValue *names);

// A stored value as one line's text: a number, a quoted string (\\, \" and control characters
// escaped), "(missing)", or the type and bytes when it is of another type than expected.
void AppendStoredValue(TextBuffer *out, const RawValue &value, DWORD expectedType);
// A text quoted and escaped the same way.
void AppendQuotedText(TextBuffer *out, const char *text, size_t length);
const char *TypeName(DWORD type);
// Whether two stored values hold the same: same type and bytes, strings up to their first zero.
bool SameStoredValue(const RawValue &a, const RawValue &b);

#endif
