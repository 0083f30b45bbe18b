// The policies as data: finding a description, the rules of its values, and the reads and
// writes of its keys below a root that the caller opened. No window, no message box, no static
// buffer: the dialogs and other programs call these from any thread.
#include "model/model.h"

#include <stdio.h>
#include <string.h>

#include "connection/batchread.h"
#include "connection/netcalls.h"

namespace {

#define KORVID_MODEL_ROW(model, dialogId, dialogProc, descriptionId) &model,
const PolicyModel *const kAllPolicies[kPolicyCount] = { KORVID_POLICY_ROWS(KORVID_MODEL_ROW) };
#undef KORVID_MODEL_ROW

BOOL IsTextRule(ValueRule rule)
{
    return rule == RuleText || rule == RuleSeparator;
}

DWORD Bound(DWORD number, DWORD lower, DWORD upper)
{
    if (number > upper)
        return upper;
    return number < lower ? lower : number;
}

LONG OpenPolicyKey(const PolicyModel &policy, int key, const PolicyTarget &target, BOOL writing,
                   HKEY *handle)
{
    *handle = NULL;
    REGSAM access = writing ? KeyWriteAccess(policy, key) : KEY_READ;
    if (target.openKey)
        return target.openKey(target.context, policy.keys[key], key, access, writing, handle);
    LONG status = Net().RegOpenKeyExA(target.root, policy.keys[key].path, 0, access, handle);
    if (status != ERROR_SUCCESS)
        *handle = NULL;
    return status;
}

// A value of the key and the role, chosen for writing.
BOOL TakesPart(const ValueModel &value, int key, ServerRole role)
{
    return value.key == key && ValueInRole(value, role);
}

int ValueAtPosition(const PolicyModel &policy, int position)
{
    return policy.writeOrder ? policy.writeOrder[position] : position;
}

void ReadValue(HKEY handle, const ValueModel &value, StoredValue *stored)
{
    QueryStoredValue(handle, value.name, value.type, stored);
    // A server without the value in days keeps it in seconds under its other name.
    if (value.rule == RuleDaysOrSeconds && stored->status != ERROR_SUCCESS) {
        QueryStoredValue(handle, value.alternate, value.type, stored);
        stored->alternate = TRUE;
    }
}

// Keeps the first failure only.
void NoteFailure(PolicyFault *fault, PolicyFailure failure, int key, int value, LONG status,
                 DWORD type)
{
    if (fault->failure != FailureNone)
        return;
    *fault = PolicyFault{ failure, key, value, status, type };
}

void ClearFault(PolicyFault *fault)
{
    *fault = PolicyFault{ FailureNone, -1, -1, ERROR_SUCCESS, 0 };
}

LONG WriteDword(HKEY handle, const char *name, DWORD number)
{
    return Net().RegSetValueExA(handle, name, 0, REG_DWORD, (const BYTE *)&number,
                                sizeof(number));
}

// Written into whichever of its two values the server has: the days whenever that value
// answers a query, whatever its type.
LONG WriteDays(HKEY handle, const ValueModel &value, DWORD days)
{
    StoredValue stored;
    QueryStoredValue(handle, value.name, REG_DWORD, &stored);
    if (stored.status == ERROR_SUCCESS)
        return WriteDword(handle, value.name, Bound(days, value.range.lower, value.range.upper));
    return WriteDword(handle, value.alternate,
                      Bound(days, value.range.lower, value.alternateUpper) * kSecondsPerDay);
}

LONG WriteValue(HKEY handle, const ValueModel &value, const ValueData &data)
{
    if (IsTextRule(value.rule))
        return WriteRegString(handle, value.name, value.type, data.text);
    if (value.rule == RuleDaysOrSeconds)
        return WriteDays(handle, value, data.number);
    return WriteDword(handle, value.name, data.number);
}

// The writes of one key; FALSE when a failure stopped them.
BOOL WritePolicyKey(const PolicyModel &policy, int key, const PolicyTarget &target,
                    const ValueData *values, ValueSelection selected, BOOL flush, PolicyWrite *write)
{
    BOOL any = FALSE;
    for (int i = 0; i < policy.valueCount; ++i)
        any = any || ((selected >> i & 1) && TakesPart(policy.values[i], key, target.role));
    if (!any)
        return TRUE;
    HKEY handle;
    LONG status = OpenPolicyKey(policy, key, target, TRUE, &handle);
    if (status != ERROR_SUCCESS) {
        NoteFailure(&write->fault, FailureOpen, key, -1, status, 0);
        return FALSE;
    }
    for (int position = 0; position < policy.valueCount; ++position) {
        int i = ValueAtPosition(policy, position);
        const ValueModel &value = policy.values[i];
        if (!(selected >> i & 1) || !TakesPart(value, key, target.role))
            continue;
        write->attempted[i] = TRUE;
        write->statuses[i] = WriteValue(handle, value, values[i]);
        if (write->statuses[i] == ERROR_SUCCESS) {
            ++write->written;
        } else if (!value.optional) {
            NoteFailure(&write->fault, FailureWrite, key, i, write->statuses[i], 0);
            Net().RegCloseKey(handle);
            return FALSE;
        }
    }
    if (flush)
        Net().RegFlushKey(handle);
    Net().RegCloseKey(handle);
    return TRUE;
}

// The batched value as its own query would have stored it; FALSE when that query would have
// failed or found another type, or the dialog would warn about the value.
BOOL TakeBatchedValue(const ValueModel &value, const BatchedValue &batched, StoredValue *stored)
{
    memset(stored, 0, sizeof(*stored));
    stored->queried = TRUE;
    stored->type = batched.type;
    stored->size = batched.size;
    if (batched.type != value.type)
        return FALSE;
    if (value.type == REG_DWORD) {
        if (batched.size != sizeof(stored->data.number))
            return FALSE;
        memcpy(&stored->data.number, batched.data, sizeof(stored->data.number));
        return TRUE;
    }
    memcpy(stored->data.text, batched.data, batched.size);
    if (EndStringInBuffer(stored->data.text, sizeof(stored->data.text), batched.size,
                          batched.type) !=
        ERROR_SUCCESS)
        return FALSE;
    return !(value.warning && IsTextTooLong(value, stored->data.text));
}

// Every value of the key and role in one round trip. A missing value may be a value in days on
// a server that keeps seconds: then once more with the seconds, as the value's own reads do.
// FALSE, with those values cleared, leaves the key to the value-by-value reads, which give the
// exact messages and warnings.
BOOL ReadKeyAtOnce(const PolicyModel &policy, int key, const PolicyTarget &target, HKEY handle,
                   PolicyRead *read)
{
    int indexes[kMaxPolicyValues];
    BatchedValue batch[kMaxPolicyValues];
    int count = 0;
    int daysAt = -1;
    for (int i = 0; i < policy.valueCount && count < kMaxPolicyValues; ++i) {
        const ValueModel &value = policy.values[i];
        if (!TakesPart(value, key, target.role))
            continue;
        DWORD capacity = value.type == REG_DWORD ? (DWORD)sizeof(DWORD) : (DWORD)kRegStringChars;
        batch[count] = BatchedValue{ value.name, capacity, 0, 0, NULL };
        if (value.rule == RuleDaysOrSeconds)
            daysAt = count;
        indexes[count++] = i;
    }
    if (count < 2)
        return FALSE;
    BYTE buffer[kMaxPolicyValues * kRegStringChars];
    DWORD size = BatchBufferSize(batch, count);
    LONG status = QueryValuesAtOnce(target.root, handle, batch, count, buffer, size);
    BOOL inSeconds = status == ERROR_FILE_NOT_FOUND && daysAt >= 0;
    if (inSeconds) {
        batch[daysAt].name = policy.values[indexes[daysAt]].alternate;
        status = QueryValuesAtOnce(target.root, handle, batch, count, buffer, size);
    }
    BOOL taken = status == ERROR_SUCCESS;
    for (int n = 0; n < count && taken; ++n) {
        StoredValue *stored = &read->values[indexes[n]];
        taken = TakeBatchedValue(policy.values[indexes[n]], batch[n], stored);
        stored->alternate = inSeconds && n == daysAt;
    }
    if (!taken)
        for (int n = 0; n < count; ++n)
            memset(&read->values[indexes[n]], 0, sizeof(read->values[indexes[n]]));
    return taken;
}

BOOL IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }
BOOL IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

// Digits only, in base 10 or 8, fitting a DWORD.
BOOL ParseTypedNumber(const char *typed, DWORD base, DWORD *number)
{
    if (typed[0] == '\0')
        return FALSE;
    unsigned long long total = 0;
    for (const char *next = typed; *next; ++next) {
        if (base == 8 ? !IsOctalDigit(*next) : !IsDecimalDigit(*next))
            return FALSE;
        total = total * base + (DWORD)(*next - '0');
        if (total > 0xFFFFFFFFull)
            return FALSE;
    }
    *number = (DWORD)total;
    return TRUE;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Descriptions
// ---------------------------------------------------------------------------------------------

const PolicyModel *const *AllPolicies()
{
    return kAllPolicies;
}

void LoadPolicyName(const PolicyModel &policy, char *name, int capacity)
{
    name[0] = '\0';
    if (LoadStringA(GetModuleHandleA(NULL), policy.nameId, name, capacity) <= 0)
        name[0] = '\0';
}

const PolicyModel *FindPolicyModel(const char *idOrName)
{
    for (const PolicyModel *policy : kAllPolicies) {
        char name[kPolicyNameChars];
        LoadPolicyName(*policy, name, sizeof(name));
        if (lstrcmpiA(policy->id, idOrName) == 0 || (name[0] && lstrcmpiA(name, idOrName) == 0))
            return policy;
    }
    return NULL;
}

BOOL ValueInRole(const ValueModel &value, ServerRole role)
{
    return (value.roles & (1u << role)) != 0;
}

int FindPolicyValue(const PolicyModel &policy, const char *name, ServerRole role)
{
    for (int i = 0; i < policy.valueCount; ++i)
        if (ValueInRole(policy.values[i], role) && lstrcmpiA(policy.values[i].name, name) == 0)
            return i;
    return -1;
}

REGSAM KeyWriteAccess(const PolicyModel &policy, int key)
{
    for (int i = 0; i < policy.valueCount; ++i)
        if (policy.values[i].key == key && policy.values[i].rule == RuleDaysOrSeconds)
            return KEY_READ | KEY_WRITE;
    return KEY_WRITE;
}

const char *ValueWord(const PolicyModel &policy, const ValueModel &value)
{
    if (value.steps.word)
        return value.steps.word;
    return policy.keys[value.key].access == AccessHelpers ? value.name : NULL;
}

// ---------------------------------------------------------------------------------------------
// Values as shown and as checked
// ---------------------------------------------------------------------------------------------

DWORD BringIntoList(const NumberList &list, DWORD stored)
{
    DWORD value = Bound(stored, list.lower, list.upper);
    return list.lower + (value - list.lower) / list.step * list.step;
}

DWORD ShownNumberOf(const ValueModel &value, DWORD stored)
{
    switch (value.rule) {
    case RuleFlag:
    case RuleInvertedFlag:
        return stored != 0 ? 1 : 0;
    case RuleNumberList:
        return BringIntoList(value.range, stored);
    case RuleOctalMask:
        return stored > value.range.upper ? value.range.upper : stored;
    case RuleDaysOrSeconds:
        return Bound(stored, value.range.lower, value.range.upper);
    case RuleText:
    case RuleSeparator:
        break;
    }
    return 0;
}

DWORD ShownNumber(const ValueModel &value, const StoredValue &stored)
{
    if (value.rule == RuleDaysOrSeconds && stored.alternate)
        return Bound(stored.data.number / kSecondsPerDay, value.range.lower, value.alternateUpper);
    return ShownNumberOf(value, stored.data.number);
}

void ShowText(const ValueModel &value, const char *stored, char *shown, int capacity)
{
    int length = (int)strnlen(stored, value.limit);
    if (length > capacity - 1)
        length = capacity - 1;
    memcpy(shown, stored, length);
    shown[length] = '\0';
}

BOOL IsTextTooLong(const ValueModel &value, const char *stored)
{
    return strlen(stored) > (size_t)value.limit;
}

void CheckNumber(const ValueModel &value, DWORD number, CheckedValue *result)
{
    memset(result, 0, sizeof(*result));
    result->candidate.number = number;
    result->shown.number = ShownNumberOf(value, number);
    const NumberList &range = value.range;
    if (IsTextRule(value.rule))
        result->check = CheckNotNumber;
    else if (number < range.lower)
        result->check = CheckBelowLower;
    else if (number > range.upper)
        result->check = CheckAboveUpper;
    else if (range.step > 1 && (number - range.lower) % range.step != 0)
        result->check = CheckOffStep;
    else
        result->check = CheckPassed;
}

void CheckText(const ValueModel &value, const char *text, CheckedValue *result)
{
    if (!IsTextRule(value.rule)) {
        CheckTyped(value, text, result);
        return;
    }
    memset(result, 0, sizeof(*result));
    snprintf(result->candidate.text, sizeof(result->candidate.text), "%s", text);
    ShowText(value, text, result->shown.text, sizeof(result->shown.text));
    result->check = CheckPassed;
    if (IsTextTooLong(value, text))
        result->check = CheckTooLong;
    if (value.rule != RuleSeparator)
        return;
    char refused = text[strspn(text, value.characters)];
    if (text[0] == '\0') {
        result->check = CheckEmpty;
    } else if (refused != '\0') {
        result->check = CheckCharacter;
        result->refused = refused;
    }
}

void CheckTyped(const ValueModel &value, const char *typed, CheckedValue *result)
{
    if (IsTextRule(value.rule)) {
        CheckText(value, typed, result);
        return;
    }
    DWORD number = 0;
    if (!ParseTypedNumber(typed, value.rule == RuleOctalMask ? 8 : 10, &number)) {
        memset(result, 0, sizeof(*result));
        result->check = CheckNotNumber;
        return;
    }
    CheckNumber(value, number, result);
}

void GetDefaultValue(const ValueModel &value, ValueData *data)
{
    memset(data, 0, sizeof(*data));
    if (IsTextRule(value.rule))
        snprintf(data->text, sizeof(data->text), "%s", value.defaultText);
    else
        data->number = value.range.defaultValue;
}

// ---------------------------------------------------------------------------------------------
// Reads and writes
// ---------------------------------------------------------------------------------------------

BOOL IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

LONG EndStringInBuffer(char *buffer, DWORD capacity, DWORD size, DWORD type)
{
    // Only a string can be too long for the buffer: other data that fills it is of the wrong
    // type, which the caller's type test reports.
    if (IsStringType(type) && size >= capacity && buffer[capacity - 1] != '\0')
        return ERROR_MORE_DATA;
    buffer[size < capacity ? size : capacity - 1] = '\0';
    return ERROR_SUCCESS;
}

void QueryStoredValue(HKEY handle, const char *name, DWORD expectedType, StoredValue *stored)
{
    // Zero-filled: a string stored without its terminator ends after its bytes.
    memset(stored, 0, sizeof(*stored));
    stored->queried = TRUE;
    BOOL text = expectedType != REG_DWORD;
    BYTE *buffer = text ? (BYTE *)stored->data.text : (BYTE *)&stored->data.number;
    stored->size = text ? sizeof(stored->data.text) : sizeof(stored->data.number);
    stored->status = Net().RegQueryValueExA(handle, name, NULL, &stored->type, buffer,
                                            &stored->size);
    if (text && stored->status == ERROR_SUCCESS)
        stored->status = EndStringInBuffer(stored->data.text, sizeof(stored->data.text),
                                           stored->size, stored->type);
    if (text && stored->status != ERROR_SUCCESS)
        stored->data.text[0] = '\0';
}

LONG WriteRegString(HKEY key, const char *name, DWORD type, const char *text)
{
    char buffer[kRegStringChars] = {};
    size_t length = strnlen(text, sizeof(buffer) - 1);
    memcpy(buffer, text, length);
    return Net().RegSetValueExA(key, name, 0, type, (const BYTE *)buffer, (DWORD)length);
}

PolicyFailure ValueReadFailure(const ValueModel &value, const StoredValue &stored)
{
    if (!stored.queried || value.optional)
        return FailureNone;
    if (stored.status != ERROR_SUCCESS)
        return FailureQuery;
    return stored.type != value.type ? FailureType : FailureNone;
}

BOOL IsValuePresent(const ValueModel &value, const StoredValue &stored)
{
    return stored.queried && stored.status == ERROR_SUCCESS && stored.type == value.type;
}

BOOL ReadPolicyKey(const PolicyModel &policy, int key, const PolicyTarget &target, ReadMode mode,
                   PolicyRead *read)
{
    BOOL any = FALSE;
    for (int i = 0; i < policy.valueCount; ++i)
        any = any || TakesPart(policy.values[i], key, target.role);
    if (!any)
        return TRUE;
    HKEY handle;
    LONG status = OpenPolicyKey(policy, key, target, FALSE, &handle);
    if (status != ERROR_SUCCESS) {
        NoteFailure(&read->fault, FailureOpen, key, -1, status, 0);
        return FALSE;
    }
    if (ReadKeyAtOnce(policy, key, target, handle, read)) {
        Net().RegCloseKey(handle);
        return TRUE;
    }
    BOOL clean = TRUE;
    for (int i = 0; i < policy.valueCount; ++i) {
        const ValueModel &value = policy.values[i];
        if (!TakesPart(value, key, target.role))
            continue;
        StoredValue &stored = read->values[i];
        ReadValue(handle, value, &stored);
        PolicyFailure failure = ValueReadFailure(value, stored);
        if (failure == FailureNone)
            continue;
        NoteFailure(&read->fault, failure, key, i, stored.status, stored.type);
        clean = FALSE;
        if (mode == ReadUntilFailure)
            break;
    }
    Net().RegCloseKey(handle);
    return clean;
}

BOOL ReadPolicy(const PolicyModel &policy, const PolicyTarget &target, ReadMode mode,
                PolicyRead *read)
{
    memset(read, 0, sizeof(*read));
    ClearFault(&read->fault);
    BOOL clean = TRUE;
    for (int key = 0; key < policy.keyCount; ++key) {
        if (!ReadPolicyKey(policy, key, target, mode, read)) {
            clean = FALSE;
            if (mode == ReadUntilFailure)
                break;
        }
    }
    return clean;
}

BOOL WritePolicy(const PolicyModel &policy, const PolicyTarget &target, const ValueData *values,
                 ValueSelection selected, PolicyWrite *write)
{
    return WritePolicyFlushing(policy, target, values, selected, TRUE, write);
}

BOOL WritePolicyFlushing(const PolicyModel &policy, const PolicyTarget &target,
                         const ValueData *values, ValueSelection selected, BOOL flush,
                         PolicyWrite *write)
{
    memset(write, 0, sizeof(*write));
    ClearFault(&write->fault);
    for (int key = 0; key < policy.keyCount; ++key)
        if (!WritePolicyKey(policy, key, target, values, selected, flush, write))
            return FALSE;
    return TRUE;
}
