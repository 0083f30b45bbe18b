// An ntlanman.dll without the select-computer function, for the test of its absence.
#include <windows.h>

extern "C" __declspec(dllexport) UINT WINAPI LabNoSelectDialog() { return 0; }
