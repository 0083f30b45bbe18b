#include "korvidpol/policyfile.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

PolicyFile *NewPolicyFile()
{
    PolicyFile *loaded = (PolicyFile *)calloc(1, sizeof(PolicyFile));
    if (loaded == NULL) return NULL;
    loaded->file = NewRegFile();
    if (loaded->file == NULL) {
        free(loaded);
        return NULL;
    }
    return loaded;
}

void FreePolicyFile(PolicyFile *loaded)
{
    if (loaded == NULL) return;
    FreeRegFile(loaded->file);
    free(loaded);
}

void EntryAsStored(const RegFileEntry &entry, RawValue *value)
{
    value->status = entry.remove ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
    value->type = entry.remove ? REG_NONE : entry.type;
    value->size = entry.remove ? 0 : (entry.size < (DWORD)kRawValueBytes ? entry.size : (DWORD)kRawValueBytes);
    memcpy(value->data, entry.data, value->size);
}

namespace {

// One refusal: "korvidpol: FILE: line N: reason" on standard error.
bool Refuse(const PolicyFile *loaded, int line, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

bool Refuse(const PolicyFile *loaded, int line, const char *format, ...)
{
    char reason[768];
    va_list args;
    va_start(args, format);
    vsnprintf(reason, sizeof(reason), format, args);
    va_end(args);
    PrintLine(STD_ERROR_HANDLE, "korvidpol: %s: line %d: %s\n", loaded->path, line, reason);
    return false;
}

// The text of a string entry: its bytes up to a zero, after which only zeros may follow.
bool EntryText(const RegFileEntry &entry, char *text, int capacity, int *length)
{
    const BYTE *zero = (const BYTE *)memchr(entry.data, 0, entry.size);
    DWORD end = zero ? (DWORD)(zero - entry.data) : entry.size;
    for (DWORD i = end; i < entry.size; i++)
        if (entry.data[i] != 0) return false;
    if ((int)end >= capacity) return false;
    memcpy(text, entry.data, end);
    text[end] = 0;
    *length = (int)end;
    return true;
}

const char *RuleBroken(const ValueModel &value, const CheckedValue &checked, char *reason,
                       int capacity, const char *shownNumber)
{
    const NumberList &range = value.range;
    switch (checked.check) {
    case CheckPassed: return NULL;
    case CheckNotNumber: snprintf(reason, capacity, "%s is not a number", shownNumber); break;
    case CheckBelowLower:
        snprintf(reason, capacity, "%s is below %lu", shownNumber, (unsigned long)range.lower);
        break;
    case CheckAboveUpper:
        if (value.rule == RuleFlag || value.rule == RuleInvertedFlag)
            snprintf(reason, capacity, "%s: a flag is 0 or 1", shownNumber);
        else if (value.rule == RuleOctalMask)
            snprintf(reason, capacity, "%s: a mask wider than %d octal digits (at most 0%lo)",
                     shownNumber, value.limit, (unsigned long)range.upper);
        else
            snprintf(reason, capacity, "%s is above %lu", shownNumber, (unsigned long)range.upper);
        break;
    case CheckOffStep:
        snprintf(reason, capacity, "%s is not a step of %lu from %lu", shownNumber,
                 (unsigned long)range.step, (unsigned long)range.lower);
        break;
    case CheckEmpty: snprintf(reason, capacity, "it may not be empty"); break;
    case CheckTooLong: snprintf(reason, capacity, "longer than %d characters", value.limit); break;
    case CheckCharacter:
        snprintf(reason, capacity, "it holds '%c', which is none of \"%s\"", checked.refused,
                 value.characters ? value.characters : "");
        break;
    }
    return reason;
}

// apply: the entry is a value an administrator could have chosen in the dialog.
bool CheckChosenValue(const PolicyFile *loaded, FileValue *value)
{
    const RegFileEntry &entry = *value->entry;
    const ValueModel &model = ValueAt(value->ref);
    const char *name = entry.name;
    if (entry.remove)
        return Refuse(loaded, entry.line, "\"%s\"=-: apply does not delete values; only restore does", name);
    if (entry.type != model.type)
        return Refuse(loaded, entry.line, "\"%s\" is %s; it must be %s", name, TypeName(entry.type),
                      TypeName(model.type));
    char reason[512];
    CheckedValue checked;
    if (model.type == REG_DWORD) {
        if (entry.size != sizeof(DWORD))
            return Refuse(loaded, entry.line, "\"%s\" holds %lu bytes, not the 4 of a number", name,
                          (unsigned long)entry.size);
        DWORD number = 0;
        memcpy(&number, entry.data, sizeof(number));
        char shown[64];
        snprintf(shown, sizeof(shown), model.rule == RuleOctalMask ? "0%lo" : "%lu", (unsigned long)number);
        if (value->ref.nameIndex == 1) {
            // The frequency in seconds: whole days, within the bound of the value in seconds.
            if (number % kSecondsPerDay != 0)
                return Refuse(loaded, entry.line, "\"%s\" %s is not a whole number of days (%lu seconds)",
                              name, shown, (unsigned long)kSecondsPerDay);
            number /= kSecondsPerDay;
            if (number < 1 || number > model.alternateUpper)
                return Refuse(loaded, entry.line, "\"%s\" %s is not 1 to %lu days", name, shown,
                              (unsigned long)model.alternateUpper);
        }
        CheckNumber(model, number, &checked);
        if (RuleBroken(model, checked, reason, sizeof(reason), shown) != NULL)
            return Refuse(loaded, entry.line, "\"%s\" %s", name, reason);
        value->candidate = checked.candidate;
        return true;
    }
    int length = 0;
    if (!EntryText(entry, value->candidate.text, kRegStringChars, &length))
        return Refuse(loaded, entry.line, "\"%s\" is no single text of at most %d characters", name,
                      kRegStringChars - 1);
    CheckText(model, value->candidate.text, &checked);
    if (RuleBroken(model, checked, reason, sizeof(reason), "") != NULL)
        return Refuse(loaded, entry.line, "\"%s\": %s", name, reason);
    return true;
}

// restore: any type, but no more than the program's buffers hold.
bool CheckStoredValue(const PolicyFile *loaded, const FileValue *value)
{
    const RegFileEntry &entry = *value->entry;
    if (!entry.remove && entry.size > kRawValueBytes)
        return Refuse(loaded, entry.line, "\"%s\" holds %lu bytes, more than the %d a value may hold",
                      entry.name, (unsigned long)entry.size, (int)kRawValueBytes);
    return true;
}

bool ReadRole(PolicyFile *loaded)
{
    RegFile *file = loaded->file;
    loaded->roles = ForEveryRole;
    loaded->hasRole = file->role[0] != 0;
    if (!loaded->hasRole) return true;
    if (!ParseRoleName(file->role, &loaded->role))
        return Refuse(loaded, 1, "the header's role \"%s\" is none of \"%s\", \"%s\" and \"%s\"",
                      file->role, RoleName(RolePrimaryDomainController),
                      RoleName(RoleBackupDomainController), RoleName(RoleServer));
    loaded->roles = RoleBit(loaded->role);
    return true;
}

// The key and value name of every entry; false after the first entry of each kind refused.
bool MatchEntries(PolicyFile *loaded)
{
    RegFile *file = loaded->file;
    bool ok = true;
    for (int i = 0; i < file->entryCount; i++) {
        const RegFileEntry &entry = file->entries[i];
        const RegFileSection &section = file->sections[entry.section];
        const char *keyPath = MachineKeyPath(section.path);
        if (keyPath == NULL) {
            ok = Refuse(loaded, entry.line, "[%s] is not below HKEY_LOCAL_MACHINE", section.path);
            continue;
        }
        if (FindPolicyKeyPath(keyPath) == NULL) {
            ok = Refuse(loaded, entry.line, "[%s] is the key of no policy", section.path);
            continue;
        }
        FileValue &value = loaded->values[loaded->count];
        if (!FindValueByKey(keyPath, entry.name, loaded->roles, &value.ref)) {
            ok = loaded->hasRole
                     ? Refuse(loaded, entry.line, "\"%s\" is no value of a %s's policies in this key",
                              entry.name, RoleName(loaded->role))
                     : Refuse(loaded, entry.line, "\"%s\" is no value of a policy in this key", entry.name);
            continue;
        }
        value.entry = &entry;
        loaded->touched[value.ref.policy] = true;
        loaded->count++;
    }
    return ok;
}

// The same value set twice (also under its two names, for apply).
bool RefuseRepeats(PolicyFile *loaded, FileCheck check)
{
    bool ok = true;
    for (int i = 0; i < loaded->count; i++) {
        const ValueRef &a = loaded->values[i].ref;
        for (int j = 0; j < i; j++) {
            const ValueRef &b = loaded->values[j].ref;
            bool sameName = a.nameIndex == b.nameIndex || check == CheckApply;
            if (a.policy != b.policy || a.value != b.value || !sameName) continue;
            ok = Refuse(loaded, loaded->values[i].entry->line, "\"%s\" sets the value of line %d again",
                        loaded->values[i].entry->name, loaded->values[j].entry->line);
            break;
        }
    }
    return ok;
}

}  // namespace

bool LoadPolicyFile(const char *path, FileCheck check, PolicyFile *loaded)
{
    loaded->path = path;
    char error[kRegErrorChars + MAX_PATH];
    if (!ReadRegFile(path, loaded->file, error, sizeof(error))) {
        PrintLine(STD_ERROR_HANDLE, "korvidpol: %s: %s\n", path, error);
        return false;
    }
    if (!ReadRole(loaded)) return false;
    bool ok = MatchEntries(loaded);
    ok = RefuseRepeats(loaded, check) && ok;
    for (int i = 0; i < loaded->count; i++) {
        if (check == CheckApply) ok = CheckChosenValue(loaded, &loaded->values[i]) && ok;
        if (check == CheckRestore) ok = CheckStoredValue(loaded, &loaded->values[i]) && ok;
    }
    return ok;
}
