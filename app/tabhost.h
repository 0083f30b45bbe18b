// The tab control's pages: which pages become tabs, their rectangle, their life cycle.
#ifndef KORVID_TABHOST_H
#define KORVID_TABHOST_H

#include <windows.h>

struct TabPageEntry {
    BOOL shown;
    int dialogId;
    DLGPROC pageProc;
    UINT captionId;
};

enum { kMaxTabPages = 9 };

struct TabPageHost {
    HWND tabControl;
    LPCDLGTEMPLATEA pageTemplates[kMaxTabPages];
    DLGPROC pageProcs[kMaxTabPages];
    RECT pageRect;
    HWND currentPage;
};

int BuildTabPages(HWND mainWindow, HWND tabControl);
LPCDLGTEMPLATEA LoadDialogTemplate(int dialogId);
BOOL GetPageRect(HWND tabControl, RECT *rect);
void ShowTabPage(HWND mainWindow, int index);
// The record kept in the main window's user data, or null.
TabPageHost *GetTabPageHost(HWND mainWindow);
// Destroys the page, deletes the tabs and frees the record (the main window's WM_CLOSE).
void DestroyTabPages(HWND mainWindow);
// Moves a page onto the page rectangle of its parent's record.
void PlacePage(HWND page, UINT flags);

#endif
