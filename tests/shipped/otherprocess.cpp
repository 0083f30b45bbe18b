#include "tests/shipped/otherprocess.h"

namespace {

struct WindowSearch {
    DWORD processId;
    const char *caption;  // null: any child dialog
    HWND found;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM param)
{
    WindowSearch *search = reinterpret_cast<WindowSearch *>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) && WindowText(window) == search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK MatchChildDialog(HWND window, LPARAM param)
{
    char name[16] = "";
    GetClassNameA(window, name, sizeof(name));
    if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND *>(param) = window;
        return FALSE;
    }
    return TRUE;
}

const DWORD kPollMs = 20;

}  // namespace

std::string WindowText(HWND window)
{
    char text[1024] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, nullptr);
    text[sizeof(text) - 1] = '\0';
    return text;
}

HWND FindProcessWindow(DWORD processId, const char *caption)
{
    WindowSearch search = {processId, caption, nullptr};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForProcessWindow(HANDLE process, DWORD processId, const char *caption, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited <= timeoutMs; waited += kPollMs) {
        HWND found = FindProcessWindow(processId, caption);
        if (found) return found;
        if (WaitForSingleObject(process, kPollMs) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
}

bool WaitForChildDialog(HWND window, HWND *child, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited <= timeoutMs; waited += kPollMs) {
        *child = nullptr;
        EnumChildWindows(window, MatchChildDialog, reinterpret_cast<LPARAM>(child));
        if (*child) return true;
        Sleep(kPollMs);
    }
    return false;
}
