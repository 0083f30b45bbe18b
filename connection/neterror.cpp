// The texts of network and registry status codes, without any window: shared by the program's
// messages and korvidpol's reports.
#include "connection/neterror.h"

#include <cstdio>
#include <cstring>

namespace {

struct ErrorText {
    DWORD code;
    const char *text;
};

const ErrorText errorTexts[] = {
    {5, "Access is denied"},
    {51, "The remote computer is not available"},
    {53, "The network path was not found"},
    {58, "The specified server cannot perform the requested operation"},
    {59, "An unexpected network error occurred"},
    {65, "Network access is denied"},
    {67, "The network name cannot be found"},
    {124, "Invalid level parameter"},
    {161, "The specified path name is invalid"},
    {234, "More data available and buffer is too small"},
    {1365, "The logon session is not in a state consistent with the requested operation"},
    {1792, "An attempt was made to logon, but the network logon service was not started"},
    {2102, "Device driver not installed"},
    {2123, "Buffer too small for fixed-length data"},
    {2138, "Workstation service not installed"},
    {2141, "The server is not configured for this transaction"},
    {2351, "The specified computername is invalid"},
};
const char kUnreachable[] = "The server couldn't be reached.";

}  // namespace

static const char *KnownErrorText(DWORD code)
{
    for (const ErrorText &row : errorTexts) {
        if (row.code == code)
            return row.text;
    }
    return kUnreachable;
}

// The known text cut to kErrorTextChars characters, then " (<code>).": a buffer of
// kErrorTextChars + kErrorSuffixChars + 1 holds any of them whole.
static void FormatErrorInto(const char *text, DWORD code, char *result, int capacity)
{
    snprintf(result, capacity, "%.*s (%lu).", (int)kErrorTextChars, text, (unsigned long)code);
}

void FormatNetError(DWORD code, char *text, int capacity)
{
    FormatErrorInto(KnownErrorText(code), code, text, capacity);
}

const char *NetErrorText(DWORD code)
{
    static char result[kNetErrorBufferChars];
    memset(result, 0, sizeof(result));
    FormatErrorInto(KnownErrorText(code), code, result, sizeof(result));
    return result;
}
