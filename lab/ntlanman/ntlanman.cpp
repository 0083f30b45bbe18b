#include <windows.h>
extern "C" __declspec(dllexport) UINT WINAPI I_SystemFocusDialog(HWND, UINT, LPWSTR, UINT, BOOL *ok, LPWSTR, DWORD)
{ if (ok) *ok = FALSE; return 0; }
