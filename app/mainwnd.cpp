// The program's entry, its one top-level window and the main message loop with the shell's own
// Tab and Enter handling.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "app/shell.h"
#include "app/tabhost.h"
#include "connection/target.h"
#include "resources/resource.h"

namespace {

struct ShellState {
    HINSTANCE instance;
    char appTitle[kTextChars];
    HWND mainWindow;
    HMENU mainMenu;
    int currentTab;
    HWND savedFocus;
    HWND policyList;
    HWND propertiesButton;
};

ShellState shell;

const char kClassName[] = "korvidadm";
const int kPolicyTab = 1;

HWND GetMainItem(int id) { return GetDlgItem(shell.mainWindow, id); }

BOOL IsPolicyPageShowing() { return shell.currentTab == kPolicyTab && shell.policyList; }

void RegisterMainClass()
{
    WNDCLASSA wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC | CS_SAVEBITS;
    wc.lpfnWndProc = MainWndProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = shell.instance;
    wc.hIcon = LoadIconA(shell.instance, kClassName);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);
}

// Event Viewer cannot read the log of a Windows 95 or Windows for Workgroups computer.
void UpdateEventViewerItem()
{
    PlatformKind kind = GetPlatformKind();
    UINT state = (kind == PlatformWindowsForWorkgroups || kind == PlatformWindows95) ? MF_GRAYED : MF_ENABLED;
    EnableMenuItem(shell.mainMenu, IDM_EVENT_VIEWER, MF_BYCOMMAND | state);
}

void SetComputerTitle(HWND window)
{
    char title[kTextChars];
    snprintf(title, sizeof(title), "%s - %s", shell.appTitle, Target().computerName);
    SetWindowTextA(window, title);
}

void ShowFirstPage(HWND window)
{
    BuildTabPages(window, GetMainItem(IDC_MAIN_TAB));
    ShowTabPage(window, 0);
}

void CentreWindow(HWND window, const CREATESTRUCTA *create)
{
    POINT origin = ComputeCentredOrigin(GetPrimaryWorkArea(), create->cx, create->cy);
    SetWindowPos(window, NULL, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
}

void PaintMenuLine(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    DrawEdge(dc, &client, EDGE_ETCHED, BF_TOP);
    EndPaint(window, &paint);
}

LRESULT HandleInitDialog(HWND window)
{
    if (!Target().connected) {
        SetItemString(window, IDC_MAIN_SELECT, IDS_SELECT);
        return 1;
    }
    ShowFirstPage(window);
    SetFocus(GetMainItem(IDC_MAIN_TAB));
    shell.currentTab = 0;
    return 0;
}

LRESULT ReselectComputer(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT remembered = IsPolicyPageShowing() ? SendMessageA(shell.policyList, LB_GETCURSEL, 0, 0) : 0;
    shell.savedFocus = GetFocus();
    EnableMainButtons(FALSE);
    char name[kNameChars] = "";
    int selected = SelectComputer(window, name);
    UpdateEventViewerItem();
    EnableMainButtons(TRUE);
    if (selected) {
        lstrcpynA(Target().computerName, name, kNameChars);
        LoadAppString(IDS_APP_TITLE, shell.appTitle);
        SetComputerTitle(window);
        ShowFirstPage(window);
        shell.currentTab = 0;
        return 0;
    }
    if (IsPolicyPageShowing()) {
        SetFocus(shell.policyList);
        SendMessageA(shell.policyList, LB_SETCURSEL, remembered, 0);
    } else {
        SetFocus(shell.savedFocus);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT ShowAboutBox(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    shell.savedFocus = GetFocus();
    EnableMainButtons(FALSE);
    DialogBoxParamA(shell.instance, MAKEINTRESOURCEA(IDD_ABOUT), window, AboutDlgProc, 0);
    EnableMainButtons(TRUE);
    SetFocus(shell.savedFocus);
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT HandleCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case IDM_SELECT_COMPUTER:
    case IDC_MAIN_SELECT:
        return ReselectComputer(window, message, wParam, lParam);
    case IDM_EXIT:
    case IDC_MAIN_OK:
        PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    case IDM_EVENT_VIEWER:
    case IDM_SERVER_MANAGER:
    case IDM_USER_MANAGER:
    case IDM_PERFORMANCE_MONITOR:
        if (LaunchTool(window, LOWORD(wParam)))
            return 1;
        break;
    case IDM_ABOUT:
        return ShowAboutBox(window, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Tab moves forward along tab control, list, Properties, "&Select...", "OK"; Enter presses the buttons.
BOOL IsCycleControl(HWND target)
{
    return target && (target == GetMainItem(IDC_MAIN_TAB) || target == GetMainItem(IDC_MAIN_SELECT) ||
                      target == GetMainItem(IDC_MAIN_OK) || target == shell.policyList ||
                      target == shell.propertiesButton);
}

void MoveFocusOnTab(HWND target)
{
    HWND tab = GetMainItem(IDC_MAIN_TAB);
    HWND select = GetMainItem(IDC_MAIN_SELECT);
    if (target == tab) {
        if (IsPolicyPageShowing()) {
            SetFocus(shell.policyList);
            SendMessageA(shell.policyList, LB_SETCURSEL, 0, 0);
        } else {
            SetFocus(select);
        }
    } else if (target == shell.policyList) {
        SetFocus(shell.currentTab == kPolicyTab && shell.propertiesButton ? shell.propertiesButton : select);
    } else if (target == shell.propertiesButton) {
        if (IsPolicyPageShowing())
            SendMessageA(shell.policyList, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SetFocus(select);
    } else if (target == select) {
        SetFocus(GetMainItem(IDC_MAIN_OK));
    } else {
        SetFocus(tab);
    }
}

void RouteEnter(MSG *msg)
{
    HWND target = msg->hwnd;
    if (target == GetMainItem(IDC_MAIN_SELECT) || target == GetMainItem(IDC_MAIN_OK)) {
        msg->wParam = GetDlgCtrlID(target);
        msg->hwnd = shell.mainWindow;
    } else if (target == shell.propertiesButton) {
        msg->wParam = IDC_POL_PROPERTIES;
        msg->hwnd = GetParent(target);
    } else {
        return;
    }
    msg->message = WM_COMMAND;
    msg->lParam = 0;
}

void HandleShellKeys(MSG *msg)
{
    if (msg->message != WM_KEYDOWN || !shell.mainWindow || !IsCycleControl(msg->hwnd))
        return;
    if (msg->wParam == VK_TAB)
        MoveFocusOnTab(msg->hwnd);
    else if (msg->wParam == VK_RETURN)
        RouteEnter(msg);
}

}  // namespace

void InitShell(HINSTANCE instance)
{
    // Everything a fresh process starts with, so that the entry can also run again in-process.
    TargetComputer &computer = Target();
    CloseRemoteRoot();
    ZeroMemory(&computer, sizeof(computer));
    shell.appTitle[0] = '\0';
    shell.currentTab = 0;
    shell.instance = instance;
    shell.mainWindow = NULL;
    shell.mainMenu = NULL;
    shell.savedFocus = NULL;
    shell.policyList = NULL;
    shell.propertiesButton = NULL;
    LoadAppString(IDS_APP_TITLE, shell.appTitle);
}

HINSTANCE GetAppInstance() { return shell.instance; }
HWND GetMainWindow() { return shell.mainWindow; }
const char *GetAppTitle() { return shell.appTitle; }
HWND GetPolicyList() { return shell.policyList; }
HWND GetPropertiesButton() { return shell.propertiesButton; }
int GetCurrentTab() { return shell.currentTab; }
void SetSavedFocus(HWND window) { shell.savedFocus = window; }
HWND GetSavedFocus() { return shell.savedFocus; }

void SetPolicyPageControls(HWND list, HWND propertiesButton)
{
    shell.policyList = list;
    shell.propertiesButton = propertiesButton;
}

void EnableMainButtons(BOOL enable)
{
    if (!shell.mainWindow)
        return;
    EnableWindow(GetMainItem(IDC_MAIN_SELECT), enable);
    EnableWindow(GetMainItem(IDC_MAIN_OK), enable);
}

POINT ComputeCentredOrigin(const RECT &workArea, int windowWidth, int windowHeight)
{
    POINT origin = {workArea.left + (workArea.right - workArea.left - windowWidth) / 2,
                    workArea.top + (workArea.bottom - workArea.top - windowHeight) / 2};
    return origin;
}

// SM_CXSCREEN and SM_CYSCREEN are the primary monitor alone: a wide screen is one monitor, not two
// side by side, so nothing is halved. The work area leaves out the taskbar.
RECT GetPrimaryWorkArea()
{
    MONITORINFO info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    const POINT origin = {0, 0};
    if (GetMonitorInfoA(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &info))
        return info.rcWork;
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return screen;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CentreWindow(window, reinterpret_cast<const CREATESTRUCTA *>(lParam));
        return 1;
    case WM_DESTROY:
        CloseRemoteRoot();
        PostQuitMessage(0);
        return 1;
    case WM_SETFOCUS:
        SetFocus(shell.savedFocus && IsWindow(shell.savedFocus) ? shell.savedFocus : GetDlgItem(window, IDC_MAIN_TAB));
        break;
    case WM_PAINT:
        if (IsIconic(window))
            break;
        PaintMenuLine(window);
        return 0;
    case WM_CLOSE:
        DestroyTabPages(window);
        CloseRemoteRoot();
        DestroyWindow(window);
        return 0;
    case WM_NOTIFY:
        if (reinterpret_cast<const NMHDR *>(lParam)->code == TCN_SELCHANGE) {
            HWND tab = GetDlgItem(window, IDC_MAIN_TAB);
            int index = static_cast<int>(SendMessageA(tab, TCM_GETCURSEL, 0, 0));
            ShowTabPage(window, index);
            SetFocus(tab);
            shell.currentTab = index;
            return 1;
        }
        break;
    case WM_INITDIALOG:
        return HandleInitDialog(window);
    case WM_COMMAND:
        return HandleCommand(window, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunKorvidAdm(HINSTANCE instance)
{
    InitShell(instance);
    RegisterMainClass();
    InitCommonControls();
    shell.mainWindow = CreateDialogParamA(instance, kClassName, NULL, NULL, 0);
    SendMessageA(shell.mainWindow, WM_INITDIALOG, 0, 0);
    shell.mainMenu = LoadMenuA(instance, kClassName);
    SetMenu(shell.mainWindow, shell.mainMenu);
    SetWindowTextA(shell.mainWindow, shell.appTitle);
    ShowWindow(shell.mainWindow, SW_SHOW);
    EnableMainButtons(FALSE);
    int selected = SelectComputer(shell.mainWindow, Target().computerName);
    UpdateEventViewerItem();
    EnableMainButtons(TRUE);
    if (selected) {
        SetComputerTitle(shell.mainWindow);
        Target().connected = TRUE;
        SendMessageA(shell.mainWindow, WM_INITDIALOG, 0, 0);
        ShowWindow(shell.mainWindow, SW_SHOW);
    } else {
        // Destroying the window brings WM_DESTROY, which closes the registry and posts the quit.
        DestroyWindow(shell.mainWindow);
    }
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        HandleShellKeys(&msg);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    shell.mainWindow = NULL;
    return static_cast<int>(msg.wParam);
}
