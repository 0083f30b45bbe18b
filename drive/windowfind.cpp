// Finding, waiting for and reading windows (drive/windowfind.h).
#include "drive/windowfind.h"

#include <utility>

namespace {

struct Search {
    const WindowQuery *query;
    std::vector<HWND> *all;  // every match, or NULL for the first only
    HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM param)
{
    Search *search = reinterpret_cast<Search *>(param);
    if (!MatchesQuery(window, *search->query))
        return TRUE;
    if (!search->all) {
        search->found = window;
        return FALSE;
    }
    search->all->push_back(window);
    return TRUE;
}

// Lists the top-level windows, of the query's thread only when it names one.
void EnumerateTopLevel(Search *search)
{
    if (search->query->threadId)
        EnumThreadWindows(search->query->threadId, Visit, reinterpret_cast<LPARAM>(search));
    else
        EnumWindows(Visit, reinterpret_cast<LPARAM>(search));
}

BOOL CALLBACK VisitId(HWND window, LPARAM param)
{
    std::pair<int, HWND> *search = reinterpret_cast<std::pair<int, HWND> *>(param);
    if (GetDlgCtrlID(window) != search->first)
        return TRUE;
    search->second = window;
    return FALSE;
}

}  // namespace

bool MatchesQuery(HWND window, const WindowQuery &query)
{
    if (!window || window == query.exclude)
        return false;
    if (query.processId || query.threadId) {
        DWORD process = 0;
        DWORD thread = GetWindowThreadProcessId(window, &process);
        if ((query.processId && process != query.processId) || (query.threadId && thread != query.threadId))
            return false;
    }
    if ((query.visible && !IsWindowVisible(window)) || (query.enabled && !IsWindowEnabled(window)))
        return false;
    if (!query.className.empty() && WindowClass(window) != query.className)
        return false;
    if (!query.caption.empty() && WindowText(window) != query.caption)
        return false;
    if (query.childId && !GetDlgItem(window, query.childId))
        return false;
    return !query.also || query.also(window);
}

HWND FindTopLevel(const WindowQuery &query)
{
    Search search = {&query, NULL, NULL};
    EnumerateTopLevel(&search);
    return search.found;
}

std::vector<HWND> TopLevelWindows(const WindowQuery &query)
{
    std::vector<HWND> all;
    Search search = {&query, &all, NULL};
    EnumerateTopLevel(&search);
    return all;
}

HWND FindDescendant(HWND parent, const WindowQuery &query)
{
    if (!parent)
        return NULL;
    Search search = {&query, NULL, NULL};
    EnumChildWindows(parent, Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindChildById(HWND parent, int id)
{
    if (!parent)
        return NULL;
    std::pair<int, HWND> search(id, (HWND)NULL);
    EnumChildWindows(parent, VisitId, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs, DWORD pollMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(pollMs);
    }
}

HWND WaitForTopLevel(const WindowQuery &query, DWORD timeoutMs, DWORD pollMs)
{
    HWND found = NULL;
    WaitUntil([&] { return (found = FindTopLevel(query)) != NULL; }, timeoutMs, pollMs);
    return found;
}

HWND WaitForDescendant(HWND parent, const WindowQuery &query, DWORD timeoutMs, DWORD pollMs)
{
    HWND found = NULL;
    WaitUntil([&] { return (found = FindDescendant(parent, query)) != NULL; }, timeoutMs, pollMs);
    return found;
}

bool WaitUntilGone(HWND window, DWORD timeoutMs, DWORD pollMs)
{
    return WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs, pollMs);
}

bool WaitUntilIdle(HWND window, DWORD timeoutMs)
{
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

bool WaitUntilSettled(HWND window, const std::function<std::vector<BYTE>()> &look, std::vector<BYTE> *settled,
                      DWORD timeoutMs, DWORD pollMs)
{
    DWORD start = GetTickCount();
    std::vector<BYTE> last = look();
    while (GetTickCount() - start < timeoutMs) {
        WaitUntilIdle(window, timeoutMs);
        Sleep(pollMs);
        std::vector<BYTE> now = look();
        if (now == last) {
            settled->swap(now);
            return true;
        }
        last.swap(now);
    }
    return false;
}

std::string WindowClass(HWND window)
{
    char name[256] = "";
    if (window)
        GetClassNameA(window, name, sizeof(name));
    return name;
}

bool IsDialogWindow(HWND window) { return WindowClass(window) == "#32770"; }

std::string WindowText(HWND window)
{
    if (!window)
        return "";
    int length = GetWindowTextLengthA(window);
    std::string text(length + 1, '\0');
    GetWindowTextA(window, &text[0], length + 1);
    text.resize(lstrlenA(text.c_str()));
    return text;
}

std::string ControlText(HWND control, DWORD timeoutMs)
{
    DWORD_PTR length = 0;
    if (!control || !SendMessageTimeoutA(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, timeoutMs, &length))
        return "";
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL,
                             timeoutMs, &copied))
        return "";
    text.resize(lstrlenA(text.c_str()));
    return text;
}

std::string ListBoxItemText(HWND list, int index)
{
    WCHAR wide[1024] = L"";
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR || length >= (LRESULT)(sizeof(wide) / sizeof(wide[0])))
        return "";
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(wide));
    char text[4096] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), NULL, NULL);
    return text;
}
