// Takes a picture of every window a user meets in korvidadm-lab.exe, driving it from outside as a
// user would: answers the select-computer dialog, switches tabs, opens each policy dialog, the
// About box, one connection question and one registry message. Each window is captured from the
// screen once it is visible and two captures a round trip apart are the same (it has painted).
//
//   tourdriver.exe PROGRAM FOLDER    writes FOLDER\<name>.bmp for each window; exit 0 when all came
#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "drive/windowfind.h"
#include "resources/resource.h"

namespace {

const DWORD kWaitMs = 20000;
// Two captures a round trip and this long apart that agree: the window has painted.
const DWORD kSettlePollMs = 20;
const DWORD kSettleMs = 10000;
const char kTitle[] = "Korvid Administrator";
const char kLabKey[] = "Software\\Korvid Lab\\Computers\\";
// The key whose read fault brings up the registry message, and the policy that reads it.
const char kFaultKey[] = "SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters";
const char kFaultPolicy[] = "Alerter";

DWORD g_process = 0;
std::string g_folder;
int g_failures = 0;

void Fail(const char *what, const std::string &detail)
{
    printf("tour: %s %s\n", what, detail.c_str());
    fflush(stdout);
    ++g_failures;
}

// The program's visible top-level window query accepts, waited for.
HWND WaitFor(WindowQuery query)
{
    query.processId = g_process;
    return WaitForTopLevel(query, kWaitMs);
}

HWND WaitForTitle(const std::string &title)
{
    WindowQuery query;
    query.caption = title;
    return WaitFor(query);
}

// The dialog the user can act on: message boxes leave the dialog behind them disabled.
WindowQuery EnabledDialog(HWND exclude)
{
    WindowQuery query;
    query.processId = g_process;
    query.className = "#32770";
    query.enabled = true;
    query.exclude = exclude;
    return query;
}

HWND WaitForDialog(HWND exclude) { return WaitFor(EnabledDialog(exclude)); }

// Returns once the program's thread has handled everything sent before.
void RoundTrip(HWND window) { WaitUntilIdle(window, kWaitMs); }

// The window's pixels as the screen shows them, 24 bits each, rows bottom up.
std::vector<BYTE> Capture(HWND window, BITMAPINFOHEADER *header)
{
    RECT rect;
    GetWindowRect(window, &rect);
    ZeroMemory(header, sizeof(*header));
    header->biSize = sizeof(*header);
    header->biWidth = rect.right - rect.left;
    header->biHeight = rect.bottom - rect.top;
    header->biPlanes = 1;
    header->biBitCount = 24;
    header->biCompression = BI_RGB;
    DWORD stride = ((DWORD)header->biWidth * 3 + 3) & ~3u;
    header->biSizeImage = stride * header->biHeight;
    std::vector<BYTE> pixels(header->biSizeImage);
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, header->biWidth, header->biHeight);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, header->biWidth, header->biHeight, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    GetDIBits(memory, bitmap, 0, header->biHeight, pixels.data(), reinterpret_cast<BITMAPINFO *>(header),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return pixels;
}

bool WriteBitmap(const std::string &path, const BITMAPINFOHEADER &header, const std::vector<BYTE> &pixels)
{
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + (DWORD)pixels.size();
    FILE *out = fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = fwrite(&file, sizeof(file), 1, out) == 1 && fwrite(&header, sizeof(header), 1, out) == 1 &&
              fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
    return fclose(out) == 0 && ok;
}

// Captures until two pictures a round trip apart agree: the window has painted and settled.
void Shoot(HWND window, const std::string &name)
{
    if (!window) return Fail("no window for", name);
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    BITMAPINFOHEADER header;
    std::vector<BYTE> pixels;
    if (!WaitUntilSettled(window, [&] { return Capture(window, &header); }, &pixels, kSettleMs, kSettlePollMs))
        return Fail("never settled:", name);
    if (!WriteBitmap(g_folder + "\\" + name + ".bmp", header, pixels)) Fail("cannot write", name);
    printf("tour: %s\n", name.c_str());
    fflush(stdout);
}

void Press(HWND window, int id) { PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// Ends a dialog or box and waits until it is gone.
void Dismiss(HWND window, int id)
{
    if (!window) return;
    Press(window, id);
    if (!WaitUntilGone(window, kWaitMs)) Fail("did not close:", WindowText(window));
}

HWND MainTitled(const std::string &computer) { return WaitForTitle(std::string(kTitle) + " - " + computer); }

// Answers a select-computer dialog with a name.
void AnswerSelect(HWND select, const char *computer)
{
    SendMessageA(GetDlgItem(select, 100), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(computer));
    Press(select, IDOK);
}

HWND SelectComputer(HWND main, const char *computer)
{
    PostMessageA(main, WM_COMMAND, IDM_SELECT_COMPUTER, 0);
    HWND select = WaitForTitle("Select Computer");
    if (!select) {
        Fail("no select dialog for", computer);
        return NULL;
    }
    AnswerSelect(select, computer);
    return MainTitled(computer);
}

HWND ShowPolicyTab(HWND main)
{
    SendDlgItemMessageA(main, IDC_MAIN_TAB, TCM_SETCURFOCUS, 1, 0);
    WindowQuery policyPage;
    policyPage.className = "#32770";
    policyPage.childId = IDC_POL_LIST;
    HWND page = WaitForDescendant(main, policyPage, kWaitMs);
    if (!page) Fail("no Policy page on", WindowText(main));
    return page;
}

int PolicyCount(HWND page) { return (int)SendDlgItemMessageA(page, IDC_POL_LIST, LB_GETCOUNT, 0, 0); }

std::string PolicyName(HWND page, int index) { return ListBoxItemText(GetDlgItem(page, IDC_POL_LIST), index); }

// Selects as a click does: the list tells its page to show the description.
void SelectPolicy(HWND page, int index)
{
    SendDlgItemMessageA(page, IDC_POL_LIST, LB_SETCURSEL, index, 0);
    SendMessageA(page, WM_COMMAND, IDC_POL_DESCR_GROUP, 0);
}

int FindPolicy(HWND page, const char *word)
{
    for (int i = 0; i < PolicyCount(page); ++i)
        if (PolicyName(page, i).find(word) != std::string::npos) return i;
    Fail("no policy named", word);
    return -1;
}

// Opens the selected policy's dialog from the Properties button; the dialog that came up.
HWND OpenPolicy(HWND main, HWND page)
{
    Press(page, IDC_POL_PROPERTIES);
    return WaitForDialog(main);
}

std::string FileName(const std::string &text)
{
    std::string name;
    for (char c : text) {
        if (isalnum((unsigned char)c)) name += (char)tolower((unsigned char)c);
        else if (!name.empty() && name.back() != '-') name += '-';
    }
    while (!name.empty() && name.back() == '-') name.pop_back();
    return name;
}

void ShootPolicy(HWND main, HWND page, int index, const std::string &name)
{
    if (!page || index < 0) return;
    SelectPolicy(page, index);
    HWND dialog = OpenPolicy(main, page);
    Shoot(dialog, name);
    Dismiss(dialog, IDCANCEL);
}

void SetReadFault(const char *computer, DWORD code)
{
    std::string key = std::string(kLabKey) + computer + "\\Faults\\OpenRead";
    HKEY faults;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &faults, NULL)) return;
    if (code) RegSetValueExA(faults, kFaultKey, 0, REG_DWORD, reinterpret_cast<BYTE *>(&code), sizeof(code));
    else RegDeleteValueA(faults, kFaultKey);
    RegCloseKey(faults);
}

// A policy dialog whose key cannot be read: its message, then whatever is left open is closed.
void ShootRegistryMessage(HWND main)
{
    SetReadFault("VELMOR-PDC", ERROR_ACCESS_DENIED);
    HWND page = ShowPolicyTab(main);
    int index = page ? FindPolicy(page, kFaultPolicy) : -1;
    if (index >= 0) {
        SelectPolicy(page, index);
        HWND box = OpenPolicy(main, page);
        Shoot(box, "registry-message");
        Dismiss(box, IDOK);
        // Once the program has handled the answer, a dialog still open is cancelled.
        RoundTrip(main);
        Dismiss(FindTopLevel(EnabledDialog(main)), IDCANCEL);
    }
    SetReadFault("VELMOR-PDC", 0);
}

void Tour(HWND main)
{
    Shoot(main, "main-velmor-pdc");
    HWND page = ShowPolicyTab(main);
    if (page) {
        SelectPolicy(page, 0);
        Shoot(main, "policy-page");
        for (int i = 0; i < PolicyCount(page); ++i) {
            std::string name = PolicyName(page, i);
            bool netlogon = name.find("Netlogon") != std::string::npos;
            ShootPolicy(main, page, i, "policy-" + FileName(name) + (netlogon ? "-pdc" : ""));
        }
    }
    const struct { const char *computer, *shot; } kNetlogonRoles[] = {
        {"VELMOR-BDC", "policy-netlogon-bdc"},
        {"VELMOR-MEMBER", "policy-netlogon-member"},
    };
    for (const auto &role : kNetlogonRoles) {
        main = SelectComputer(main, role.computer);
        if (!main) return Fail("no main window for", role.computer);
        page = ShowPolicyTab(main);
        if (page) ShootPolicy(main, page, FindPolicy(page, "Netlogon"), role.shot);
    }
    const struct { const char *computer, *shot; } kOtherSystems[] = {
        {"NT-SERVER", "main-nt-server"},
        {"WIN95-PC", "main-win95-pc"},
    };
    for (const auto &other : kOtherSystems) {
        main = SelectComputer(main, other.computer);
        if (!main) return Fail("no main window for", other.computer);
        Shoot(main, other.shot);
    }

    PostMessageA(main, WM_COMMAND, IDM_ABOUT, 0);
    HWND about = WaitForTitle("About Korvid Administrator");
    Shoot(about, "about");
    Dismiss(about, IDOK);

    // A computer that does not answer: the question whether to choose another; No keeps WIN95-PC.
    PostMessageA(main, WM_COMMAND, IDM_SELECT_COMPUTER, 0);
    HWND select = WaitForTitle("Select Computer");
    if (select) {
        AnswerSelect(select, "OFFLINE-PC");
        HWND question = WaitForTitle(kTitle);
        Shoot(question, "connection-question");
        Dismiss(question, IDNO);
    }

    main = SelectComputer(main, "VELMOR-PDC");
    if (main) ShootRegistryMessage(main);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        printf("usage: tourdriver PROGRAM FOLDER\n");
        return 2;
    }
    g_folder = argv[2];
    CreateDirectoryA(g_folder.c_str(), NULL);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string commandLine = std::string("\"") + argv[1] + "\"";
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        printf("tour: cannot start %s\n", argv[1]);
        return 1;
    }
    g_process = process.dwProcessId;
    HWND select = WaitForTitle("Select Computer");
    if (select) {
        AnswerSelect(select, "VELMOR-PDC");
        HWND main = MainTitled("VELMOR-PDC");
        if (main) Tour(main);
        else Fail("no main window for", "VELMOR-PDC");
    } else {
        Fail("no select dialog at", "start");
    }
    WindowQuery mainWindow;
    mainWindow.className = "korvidadm";
    HWND main = WaitFor(mainWindow);
    if (main) PostMessageA(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, kWaitMs) != WAIT_OBJECT_0) {
        Fail("the program did not end", "");
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return g_failures ? 1 : 0;
}
