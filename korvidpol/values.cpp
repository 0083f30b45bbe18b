#include "korvidpol/values.h"

#include <stdio.h>
#include <string.h>

#include "korvidpol/regtext.h"

const PolicyModel &PolicyAt(int index) { return *AllPolicies()[index]; }

const ValueModel &ValueAt(const ValueRef &ref) { return PolicyAt(ref.policy).values[ref.value]; }

const char *ValueName(const ValueModel &value, int nameIndex)
{
    return nameIndex == 0 ? value.name : value.alternate;
}

const char *KeyPathOf(const ValueRef &ref)
{
    const PolicyModel &policy = PolicyAt(ref.policy);
    return policy.keys[policy.values[ref.value].key].path;
}

unsigned RoleBit(ServerRole role) { return 1u << role; }

void DescribeRoles(unsigned roles, char *text, int capacity)
{
    if ((roles & ForEveryRole) == ForEveryRole) {
        snprintf(text, capacity, "every role");
        return;
    }
    text[0] = 0;
    for (int role = RoleServer; role <= RoleBackupDomainController; role++) {
        if (!(roles & RoleBit((ServerRole)role))) continue;
        size_t used = strlen(text);
        snprintf(text + used, capacity - used, "%s%s", used ? ", " : "", RoleName((ServerRole)role));
    }
}

bool FindValueByKey(const char *keyPath, const char *name, unsigned roles, ValueRef *ref)
{
    for (int p = 0; p < kPolicyCount; p++) {
        const PolicyModel &policy = PolicyAt(p);
        for (int v = 0; v < policy.valueCount; v++) {
            const ValueModel &value = policy.values[v];
            if (!(value.roles & roles) || lstrcmpiA(policy.keys[value.key].path, keyPath) != 0)
                continue;
            for (int n = 0; n < kValueNames; n++) {
                const char *candidate = ValueName(value, n);
                if (candidate == NULL || lstrcmpiA(candidate, name) != 0) continue;
                *ref = ValueRef{p, v, n};
                return true;
            }
        }
    }
    return false;
}

const char *FindPolicyKeyPath(const char *keyPath)
{
    for (int p = 0; p < kPolicyCount; p++) {
        const PolicyModel &policy = PolicyAt(p);
        for (int k = 0; k < policy.keyCount; k++)
            if (lstrcmpiA(policy.keys[k].path, keyPath) == 0) return policy.keys[k].path;
    }
    return NULL;
}

bool ChoosePolicies(const char *const *names, int count, PolicyChoice *choice, char *error,
                    int capacity)
{
    for (int p = 0; p < kPolicyCount; p++) choice->chosen[p] = count == 0;
    for (int i = 0; i < count; i++) {
        const PolicyModel *found = FindPolicyModel(names[i]);
        int index = -1;
        for (int p = 0; found != NULL && p < kPolicyCount; p++)
            if (AllPolicies()[p] == found) index = p;
        if (index < 0) {
            snprintf(error, capacity, "no policy is called \"%s\" (see korvidpol list)", names[i]);
            return false;
        }
        choice->chosen[index] = true;
    }
    return true;
}

LONG SnapshotPolicy(HKEY root, const PolicyModel &policy, PolicySnapshot *snapshot)
{
    return SnapshotPolicyKeeping(root, policy, snapshot, NULL);
}

LONG SnapshotPolicyKeeping(HKEY root, const PolicyModel &policy, PolicySnapshot *snapshot, HKEY *kept)
{
    snapshot->status = ERROR_SUCCESS;
    for (int k = 0; kept != NULL && k < policy.keyCount; k++) kept[k] = NULL;
    for (int k = 0; k < policy.keyCount; k++) {
        // Every name held in this key, in reading order, gathered for one read of the key.
        const char *names[kMaxPolicyValues * kValueNames];
        RawValue *slots[kMaxPolicyValues * kValueNames];
        int count = 0;
        for (int v = 0; v < policy.valueCount; v++) {
            if (policy.values[v].key != k) continue;
            for (int n = 0; n < kValueNames; n++) {
                const char *name = ValueName(policy.values[v], n);
                RawValue &slot = snapshot->values[v][n];
                slot.status = ERROR_FILE_NOT_FOUND;
                slot.size = 0;
                slot.type = REG_NONE;
                if (name == NULL) continue;
                names[count] = name;
                slots[count++] = &slot;
            }
        }
        LONG status = ReadRawValuesKeeping(root, policy.keys[k].path, names, slots, count,
                                           kept != NULL ? &kept[k] : NULL);
        if (status != ERROR_SUCCESS) return snapshot->status = status;
    }
    return ERROR_SUCCESS;
}

const char *TypeName(DWORD type)
{
    static const char *const names[] = {"REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY",
                                        "REG_DWORD", "REG_DWORD_BIG_ENDIAN", "REG_LINK",
                                        "REG_MULTI_SZ"};
    return type < sizeof(names) / sizeof(names[0]) ? names[type] : "REG_?";
}

void AppendQuotedText(TextBuffer *out, const char *text, size_t length)
{
    AppendBytes(out, "\"", 1);
    for (size_t i = 0; i < length; i++) {
        unsigned char c = (unsigned char)text[i];
        if (c == '\\' || c == '"') AppendText(out, "\\%c", c);
        else if (c == '\n') AppendText(out, "\\n");
        else if (c == '\r') AppendText(out, "\\r");
        else if (c < 0x20 || c == 0x7F) AppendText(out, "\\x%02x", c);
        else AppendBytes(out, (const char *)&text[i], 1);
    }
    AppendBytes(out, "\"", 1);
}

namespace {

// Shown and compared as one quoted text (a multi-string is shown byte by byte).
bool IsQuotedTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

size_t TextLength(const RawValue &value)
{
    const void *zero = memchr(value.data, 0, value.size);
    return zero ? (size_t)((const BYTE *)zero - value.data) : value.size;
}

}  // namespace

void AppendStoredValue(TextBuffer *out, const RawValue &value, DWORD expectedType)
{
    if (value.status == ERROR_FILE_NOT_FOUND) {
        AppendText(out, "(missing)");
        return;
    }
    if (value.status != ERROR_SUCCESS) {
        AppendText(out, "(unreadable: %ld)", (long)value.status);
        return;
    }
    if (value.type != expectedType) AppendText(out, "%s ", TypeName(value.type));
    if (value.type == REG_DWORD && value.size == sizeof(DWORD)) {
        DWORD number = 0;
        memcpy(&number, value.data, sizeof(number));
        AppendText(out, "%lu", (unsigned long)number);
    } else if (IsQuotedTextType(value.type)) {
        AppendQuotedText(out, (const char *)value.data, TextLength(value));
    } else {
        AppendText(out, "hex:");
        for (DWORD i = 0; i < value.size; i++) AppendText(out, i ? ",%02x" : "%02x", value.data[i]);
    }
}

bool SameStoredValue(const RawValue &a, const RawValue &b)
{
    if (a.status != b.status) return false;
    if (a.status != ERROR_SUCCESS) return true;
    if (a.type != b.type) return false;
    if (IsQuotedTextType(a.type)) {
        size_t length = TextLength(a);
        return length == TextLength(b) && memcmp(a.data, b.data, length) == 0;
    }
    return a.size == b.size && memcmp(a.data, b.data, a.size) == 0;
}

int UsedName(const ValueModel &value, const RawValue *names)
{
    if (value.alternate != NULL && names[0].status != ERROR_SUCCESS && names[1].status == ERROR_SUCCESS)
        return 1;
    return 0;
}

namespace {

struct WrittenName {
    const char *path;
    const char *name;
};

// Records one name once; false when it was written before.
bool FirstTime(WrittenName *written, int *count, const char *path, const char *name)
{
    for (int i = 0; i < *count; i++)
        if (lstrcmpiA(written[i].path, path) == 0 && lstrcmpiA(written[i].name, name) == 0) return false;
    written[(*count)++] = WrittenName{path, name};
    return true;
}

void WriteOneValue(TextBuffer *out, const char *name, const RawValue &raw, bool undo)
{
    if (raw.status == ERROR_SUCCESS)
        WriteRegValue(out, name, raw.type, raw.data, raw.size);
    else if (raw.status != ERROR_FILE_NOT_FOUND)
        AppendText(out, "; \"%s\" could not be read (%ld)\n", name, (long)raw.status);
    else if (undo)
        WriteRegDeletion(out, name);
    else
        AppendText(out, "; \"%s\" is missing\n", name);
}

// The chosen values of one key, policy by policy from the first that has it.
void WriteKeyValues(TextBuffer *out, const char *path, int first, const bool (*chosen)[kMaxPolicyValues],
                    const PolicySnapshot *const *policies, bool undo, WrittenName *written, int *writtenCount)
{
    for (int p = first; p < kPolicyCount; p++) {
        const PolicyModel &policy = PolicyAt(p);
        bool header = false;
        for (int v = 0; v < policy.valueCount; v++) {
            const ValueModel &value = policy.values[v];
            if (!chosen[p][v] || lstrcmpiA(policy.keys[value.key].path, path) != 0) continue;
            const RawValue *names = policies[p]->values[v];
            int used = UsedName(value, names);
            for (int n = 0; n < kValueNames; n++) {
                const char *name = ValueName(value, n);
                if (name == NULL || (!undo && n != used) || !FirstTime(written, writtenCount, path, name))
                    continue;
                if (!header) AppendText(out, "; %s\n", policy.id);
                header = true;
                WriteOneValue(out, name, names[n], undo);
            }
        }
    }
}

}  // namespace

void WritePolicyValues(TextBuffer *out, const bool (*chosen)[kMaxPolicyValues],
                       const PolicySnapshot *const *policies, bool undo)
{
    WrittenName written[kPolicyCount * kMaxPolicyValues * kValueNames];
    int writtenCount = 0;
    const char *keys[kPolicyCount * 2];
    int keyCount = 0;
    for (int p = 0; p < kPolicyCount; p++) {
        const PolicyModel &policy = PolicyAt(p);
        for (int v = 0; v < policy.valueCount; v++) {
            if (!chosen[p][v]) continue;
            const char *path = policy.keys[policy.values[v].key].path;
            bool seen = false;
            for (int k = 0; k < keyCount; k++) seen = seen || lstrcmpiA(keys[k], path) == 0;
            if (seen) continue;
            keys[keyCount++] = path;
            WriteRegSection(out, path);
            WriteKeyValues(out, path, p, chosen, policies, undo, written, &writtenCount);
        }
    }
}
