// The texts of network and registry status codes, without any window.
#ifndef KORVID_NETERROR_H
#define KORVID_NETERROR_H

#include <windows.h>

// The text of a network or registry status code, cut to kErrorTextChars characters, then
// " (<code>)."; one static buffer, overwritten by every call, which holds the longest text with
// the suffix of any 32-bit code (ten digits).
enum { kErrorTextChars = 300, kErrorSuffixChars = 14 };
enum { kNetErrorBufferChars = kErrorTextChars + kErrorSuffixChars + 1 };
const char *NetErrorText(DWORD code);
// NetErrorText into the caller's buffer (kNetErrorBufferChars hold any), for other threads.
void FormatNetError(DWORD code, char *text, int capacity);

#endif
