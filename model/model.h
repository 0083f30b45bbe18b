// What the program knows about each policy, as data: its keys, its values with their types,
// rules, defaults and messages, and the reads, checks and writes that follow from them. Nothing
// here touches a window, a message box or the selected computer: the root key, the server role
// and the computer name are arguments, and every buffer belongs to the caller, so several
// threads may each work on their own root at once.
#ifndef KORVID_MODEL_H
#define KORVID_MODEL_H

#include <windows.h>

#include "connection/computer.h"

enum { kRegStringChars = 5000 };  // a string read holds at most 4999 characters and a zero
enum { kMaxPolicyValues = 8 };     // values of one description, every role's together

// How a dialog reaches its key, which decides the wording of its messages.
enum PolicyAccess {
    AccessNumbered,   // direct calls, messages numbered by step
    AccessNamed,      // direct calls, messages naming the value by a word
    AccessHelpers,    // GetKorvidRegValue and SetKorvidRegValue: messages name the value itself
};

struct PolicyKey {
    const char *tag;    // opens every registry message about the key
    const char *path;   // below the computer's HKEY_LOCAL_MACHINE
    PolicyAccess access;
};

// Decimal numbers from lower to upper in steps of step.
struct NumberList {
    DWORD lower;
    DWORD upper;
    DWORD step;
    DWORD defaultValue;   // shown by Default and taken when nothing is selected
};

// What a valid stored value is, and how any other stored value is shown.
enum ValueRule {
    RuleFlag,            // REG_DWORD 0 or 1; any other stored number counts as 1
    RuleInvertedFlag,    // stored as a flag, its box means the opposite (checked at 0)
    RuleNumberList,      // REG_DWORD in range; others are clamped, then brought down to a step
    RuleOctalMask,       // REG_DWORD permission bits typed as up to `limit` octal digits; a
                         // larger mask shows as range.upper
    RuleDaysOrSeconds,   // REG_DWORD days under name, or, on a server without it, seconds under
                         // `alternate` with the lower bound alternateUpper days
    RuleText,            // string of at most `limit` characters; a longer one is shown cut
    RuleSeparator,       // a text that may not be empty and holds only `characters`
};

// Server roles as bits (Netlogon shows one layout per role).
enum {
    ForServer = 1 << RoleServer,
    ForPrimary = 1 << RolePrimaryDomainController,
    ForBackup = 1 << RoleBackupDomainController,
    ForEveryRole = ForServer | ForPrimary | ForBackup,
};

// The step numbers (numbered keys) or the word (named keys) of a value's messages; a key read
// through the helpers names the value itself.
struct ValueSteps {
    int readStep;     // the failed query
    int typeStep;     // the wrong type
    int writeStep;    // the failed write
    const char *word;
};

struct ValueModel {
    const char *name;
    DWORD type;              // REG_DWORD, REG_SZ or REG_EXPAND_SZ
    ValueRule rule;
    int key;                 // index into the policy's keys
    unsigned roles;          // For... bits of the layouts that have it
    BOOL optional;           // may be missing: nothing reported, and written only when present
    NumberList range;        // numbers: bounds, step, default (days for RuleDaysOrSeconds)
    int limit;               // texts: characters; octal masks: digits
    const char *defaultText; // texts
    const char *warning;     // texts: the warning about a longer stored text (the limit twice),
                             // or null for a silent cut
    const char *characters;  // separators: every character allowed
    const char *alternate;   // days or seconds: the value in seconds
    DWORD alternateUpper;    // days or seconds: the bound in days of the value in seconds
    ValueSteps steps;
};

// One policy: the dialog's name in the string table, a short stable id for other programs, its
// keys, its values in reading order and the order they are written in.
struct PolicyModel {
    const char *id;
    UINT nameId;
    const PolicyKey *keys;
    int keyCount;
    const ValueModel *values;
    int valueCount;
    const int *writeOrder;   // indexes into values; null writes in reading order
};

// ---------------------------------------------------------------------------------------------
// Building descriptions (constant expressions, so the tables are fixed data)
// ---------------------------------------------------------------------------------------------

const DWORD kSecondsPerDay = 86400;

constexpr ValueSteps Numbered(int readStep, int typeStep, int writeStep)
{
    return ValueSteps{ readStep, typeStep, writeStep, nullptr };
}
constexpr ValueSteps Named(const char *word) { return ValueSteps{ 0, 0, 0, word }; }
constexpr ValueSteps ByValueName() { return ValueSteps{ 0, 0, 0, nullptr }; }

constexpr ValueModel NumberValue(const char *name, ValueRule rule, NumberList range,
                                 ValueSteps steps)
{
    return ValueModel{ name, REG_DWORD, rule, 0, ForEveryRole, FALSE, range, 0, nullptr, nullptr,
                       nullptr, nullptr, 0, steps };
}
constexpr ValueModel FlagValue(const char *name, DWORD defaultValue, ValueSteps steps)
{
    return NumberValue(name, RuleFlag, NumberList{ 0, 1, 1, defaultValue }, steps);
}
constexpr ValueModel InvertedFlagValue(const char *name, DWORD defaultValue, ValueSteps steps)
{
    return NumberValue(name, RuleInvertedFlag, NumberList{ 0, 1, 1, defaultValue }, steps);
}
constexpr ValueModel ListValue(const char *name, NumberList range, ValueSteps steps)
{
    return NumberValue(name, RuleNumberList, range, steps);
}
constexpr ValueModel MaskValue(const char *name, int digits, DWORD defaultMask, ValueSteps steps)
{
    NumberList masks = { 0, (1u << (3 * digits)) - 1, 1, defaultMask };
    ValueModel value = NumberValue(name, RuleOctalMask, masks, steps);
    value.limit = digits;
    return value;
}
constexpr ValueModel DaysValue(const char *name, NumberList days, const char *alternate,
                               DWORD alternateUpper, ValueSteps steps)
{
    ValueModel value = NumberValue(name, RuleDaysOrSeconds, days, steps);
    value.alternate = alternate;
    value.alternateUpper = alternateUpper;
    return value;
}
constexpr ValueModel TextValue(const char *name, DWORD type, int limit, const char *defaultText,
                               const char *warning, ValueSteps steps)
{
    return ValueModel{ name, type, RuleText, 0, ForEveryRole, FALSE, NumberList{ 0, 0, 0, 0 },
                       limit, defaultText, warning, nullptr, nullptr, 0, steps };
}
constexpr ValueModel SeparatorValue(const char *name, int limit, const char *defaultText,
                                    const char *characters, ValueSteps steps)
{
    ValueModel value = TextValue(name, REG_SZ, limit, defaultText, nullptr, steps);
    value.rule = RuleSeparator;
    value.characters = characters;
    return value;
}
constexpr ValueModel InKey(int key, ValueModel value)
{
    value.key = key;
    return value;
}
constexpr ValueModel ForRoles(unsigned roles, ValueModel value)
{
    value.roles = roles;
    return value;
}
constexpr ValueModel OptionalValue(ValueModel value)
{
    value.optional = TRUE;
    return value;
}

// ---------------------------------------------------------------------------------------------
// The ten descriptions
// ---------------------------------------------------------------------------------------------

// The one table of the policies, one row each, in the Policy page's table order: the
// description (model/<name>.cpp), the dialog's template, its procedure (policies/<name>.cpp) and
// the description's string. The model expands the first column only, so it needs neither the
// dialogs nor the resources; the Policy page expands every column. Adding a policy is one row
// here, its description and its dialog.
#define KORVID_POLICY_ROWS(ROW) \
    ROW(kUnixAccountPolicy, IDD_UNIX_ACCOUNT, UnixAccountMappingDlgProc, IDS_UNIX_ACCOUNT_DESCR) \
    ROW(kUpsPolicy, IDD_UPS_SERVICE, UpsServiceDlgProc, IDS_UPS_SERVICE_DESCR) \
    ROW(kAlerterPolicy, IDD_ALERTER, AlerterServiceDlgProc, IDS_ALERTER_DESCR) \
    ROW(kBrowserPolicy, IDD_BROWSER, BrowserServiceDlgProc, IDS_BROWSER_DESCR) \
    ROW(kNetlogonPolicy, IDD_NETLOGON, NetlogonServiceDlgProc, IDS_NETLOGON_DESCR) \
    ROW(kNameSpacePolicy, IDD_NAME_SPACE, NameSpaceMappingDlgProc, IDS_NAME_SPACE_DESCR) \
    ROW(kUnixFsPolicy, IDD_UNIX_FS, UnixFileSystemDlgProc, IDS_UNIX_FS_DESCR) \
    ROW(kUsersAlertsPolicy, IDD_USERS_ALERTS, UsersAlertsDlgProc, IDS_USERS_ALERTS_DESCR) \
    ROW(kClientsPolicy, IDD_CONNECTED_CLIENTS, ConnectedClientsDlgProc, IDS_CONNECTED_CLIENTS_DESCR) \
    ROW(kAnnouncePolicy, IDD_ANNOUNCEMENT, ServerAnnouncementDlgProc, IDS_ANNOUNCEMENT_DESCR)

#define KORVID_DECLARE_POLICY_MODEL(model, dialogId, dialogProc, descriptionId) \
    extern const PolicyModel model;
KORVID_POLICY_ROWS(KORVID_DECLARE_POLICY_MODEL)
#undef KORVID_DECLARE_POLICY_MODEL

#define KORVID_COUNT_POLICY(model, dialogId, dialogProc, descriptionId) +1
enum { kPolicyCount = 0 KORVID_POLICY_ROWS(KORVID_COUNT_POLICY) };
#undef KORVID_COUNT_POLICY

// In the Policy page's table order.
const PolicyModel *const *AllPolicies();
// By short id ("ups") or by name as in the string table, either without regard to case; null
// when none matches.
const PolicyModel *FindPolicyModel(const char *idOrName);
enum { kPolicyNameChars = 601 };
// The policy's name from the string table of the running program (empty when missing).
void LoadPolicyName(const PolicyModel &policy, char *name, int capacity);
// Index of the value of that name (without regard to case) in the layout of role, or -1.
int FindPolicyValue(const PolicyModel &policy, const char *name, ServerRole role);
// Whether the value is read and written for a server of that role.
BOOL ValueInRole(const ValueModel &value, ServerRole role);
// The access a key is opened with for writing: read too when a value's name is chosen by
// querying the key again.
REGSAM KeyWriteAccess(const PolicyModel &policy, int key);
// The step numbers or word of a value's messages: the word, or the value's name for a key read
// through the helpers.
const char *ValueWord(const PolicyModel &policy, const ValueModel &value);

// ---------------------------------------------------------------------------------------------
// Values as stored, as shown, and as checked
// ---------------------------------------------------------------------------------------------

struct ValueData {
    DWORD number;                // REG_DWORD values (days for RuleDaysOrSeconds)
    char text[kRegStringChars];  // string values, zero-ended
};

// What a value's query answered.
struct StoredValue {
    BOOL queried;      // the query was made
    LONG status;       // its status (ERROR_MORE_DATA for a string filling the whole buffer)
    DWORD type;        // the type found
    DWORD size;        // bytes returned
    BOOL alternate;    // days or seconds: found only under the alternate name, in seconds
    ValueData data;    // raw: the DWORD, or the string's bytes ended by a zero
};

// The stored value as its control shows it: flags 0 or 1, numbers brought into their list,
// masks at most their largest, days within their bounds (converted from seconds).
DWORD ShownNumber(const ValueModel &value, const StoredValue &stored);
DWORD ShownNumberOf(const ValueModel &value, DWORD stored);
// The stored number clamped into the list (compared unsigned) and brought down to its step.
DWORD BringIntoList(const NumberList &list, DWORD stored);
// The stored text cut to the value's limit.
void ShowText(const ValueModel &value, const char *stored, char *shown, int capacity);
// A stored text longer than the value's limit, for which the dialog warns.
BOOL IsTextTooLong(const ValueModel &value, const char *stored);

// The rule a candidate breaks.
enum ValueCheck {
    CheckPassed,
    CheckNotNumber,      // not a decimal number (octal for masks)
    CheckBelowLower,
    CheckAboveUpper,
    CheckOffStep,        // within bounds but not lower plus a whole number of steps
    CheckEmpty,          // a separator with no character
    CheckTooLong,        // more characters than the limit
    CheckCharacter,      // a character a separator may not hold
};

struct CheckedValue {
    ValueCheck check;
    ValueData candidate;   // the number or text the candidate stands for
    ValueData shown;       // what the dialog would show for it after clamping, step and cut
    char refused;          // CheckCharacter: the first character refused
};

// Checks a number (days for RuleDaysOrSeconds) or a text against the value's rule.
void CheckNumber(const ValueModel &value, DWORD number, CheckedValue *result);
void CheckText(const ValueModel &value, const char *text, CheckedValue *result);
// Checks a candidate as typed: decimal for numbers, octal digits for masks, text for strings.
void CheckTyped(const ValueModel &value, const char *typed, CheckedValue *result);
// The value's default as data (days for RuleDaysOrSeconds).
void GetDefaultValue(const ValueModel &value, ValueData *data);

// ---------------------------------------------------------------------------------------------
// Reading and writing a policy below an open root
// ---------------------------------------------------------------------------------------------

// Where the policy lives. openKey, when set, opens a key in place of a direct open below root
// (the dialogs reconnect once through it); it returns the open's status.
struct PolicyTarget {
    HKEY root;
    ServerRole role;
    const char *computerName;
    LONG (*openKey)(void *context, const PolicyKey &key, int keyIndex, REGSAM access,
                    BOOL writing, HKEY *handle);
    void *context;
};

enum ReadMode {
    ReadUntilFailure,   // stop at the first failure, as the dialogs do
    ReadEveryValue,     // go on past failed values; a key that will not open is still skipped
};

enum PolicyFailure {
    FailureNone,
    FailureOpen,        // the key did not open: status
    FailureQuery,       // the value's query failed: status
    FailureType,        // the value has another type: type
    FailureWrite,       // the value's write failed: status
};

// The first failure of a read or a write, as the dialog reports it.
struct PolicyFault {
    PolicyFailure failure;
    int key;      // index into the policy's keys, or -1
    int value;    // index into the policy's values, or -1 (a key that did not open)
    LONG status;
    DWORD type;
};

struct PolicyRead {
    StoredValue values[kMaxPolicyValues];   // indexed as the description's values
    PolicyFault fault;
};

// Reads one key's values of the role in reading order: one open, the queries, one close.
// FALSE after a failure when reading until one.
BOOL ReadPolicyKey(const PolicyModel &policy, int key, const PolicyTarget &target, ReadMode mode,
                   PolicyRead *read);
// Reads every key of the policy in turn; TRUE when nothing failed.
BOOL ReadPolicy(const PolicyModel &policy, const PolicyTarget &target, ReadMode mode,
                PolicyRead *read);
// The failure of one value as read, given its query's answer (FailureNone when it is fine or
// an optional value that is missing).
PolicyFailure ValueReadFailure(const ValueModel &value, const StoredValue &stored);
// Whether an optional value was there to be shown and written again.
BOOL IsValuePresent(const ValueModel &value, const StoredValue &stored);

// Values chosen for writing, one bit per index of the description's values.
typedef DWORD ValueSelection;
const ValueSelection kEveryValue = 0xFFFFFFFF;

struct PolicyWrite {
    int written;                         // values written
    BOOL attempted[kMaxPolicyValues];    // indexed as the description's values
    LONG statuses[kMaxPolicyValues];     // each attempted write's status
    PolicyFault fault;                   // FailureOpen, or FailureWrite of the value that
                                         // stopped the writes (an optional value's failed
                                         // write is only in statuses)
};

// Writes the selected values of the role in the policy's write order, key by key: each key is
// opened once, flushed after all its writes and closed; closed unflushed after the first failed
// write of a value that is not optional, which ends the writes. Days are converted into the
// value the server has (MaximumPasswordAge when it answers a query, else seconds) and bounded.
// TRUE when nothing stopped the writes.
BOOL WritePolicy(const PolicyModel &policy, const PolicyTarget &target, const ValueData *values,
                 ValueSelection selected, PolicyWrite *write);
// WritePolicy with the flushes chosen: flush FALSE closes each key unflushed, for a caller that
// flushes a later key of the same hive (RegFlushKey writes its key's whole hive to storage).
BOOL WritePolicyFlushing(const PolicyModel &policy, const PolicyTarget &target,
                         const ValueData *values, ValueSelection selected, BOOL flush,
                         PolicyWrite *write);

// A string as the server reads it: its characters (at most 4999) without a terminating zero.
LONG WriteRegString(HKEY key, const char *name, DWORD type, const char *text);
// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ.
BOOL IsStringType(DWORD type);
// Ends a value read into a zero-filled buffer after the bytes returned (cut to the buffer). A
// string of the found type that fills the whole buffer without a terminator is longer than the
// buffer holds: ERROR_MORE_DATA, as a longer value gives (some systems return such a value whole
// instead). Data of any other type is only ended, and left to the caller's type test.
LONG EndStringInBuffer(char *buffer, DWORD capacity, DWORD size, DWORD type);
// One query into data: 4 bytes for a REG_DWORD value, kRegStringChars zero-filled bytes ended
// after the bytes returned for a string.
void QueryStoredValue(HKEY handle, const char *name, DWORD expectedType, StoredValue *stored);

#endif
