// The bare program the start-up is measured against: it asks for a computer in the same
// select-computer dialog and then shows one window titled with the name, nothing else.
#include <windows.h>

#include <cstdio>

typedef UINT (WINAPI *SystemFocusDialogProc)(HWND, UINT, LPWSTR, UINT, BOOL *, LPWSTR, DWORD);

static LRESULT CALLBACK BareWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HMODULE library = LoadLibraryA("ntlanman.dll");
    SystemFocusDialogProc dialog = library ? reinterpret_cast<SystemFocusDialogProc>(
        reinterpret_cast<void *>(GetProcAddress(library, "I_SystemFocusDialog"))) : NULL;
    if (!dialog)
        return 1;
    WCHAR name[603] = L"";
    WCHAR help[1] = L"";
    BOOL ok = FALSE;
    dialog(NULL, 0x001F0002, name, 603, &ok, help, 1031);
    FreeLibrary(library);
    if (!ok)
        return 0;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BareWndProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "korvidbare";
    RegisterClassA(&wc);
    char title[700];
    snprintf(title, sizeof(title), "Bare - %ls", name);
    CreateWindowA("korvidbare", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, NULL, NULL, instance, NULL);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
