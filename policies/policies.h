// The ten policies: their descriptions and their dialogs' procedures, in the Policy page's
// table order.
#ifndef KORVID_POLICIES_H
#define KORVID_POLICIES_H

#include <windows.h>

#include "policy/model.h"

extern const PolicyModel kUnixAccountPolicy;
extern const PolicyModel kUpsPolicy;
extern const PolicyModel kAlerterPolicy;
extern const PolicyModel kBrowserPolicy;
extern const PolicyModel kNetlogonPolicy;
extern const PolicyModel kNameSpacePolicy;
extern const PolicyModel kUnixFsPolicy;
extern const PolicyModel kUsersAlertsPolicy;
extern const PolicyModel kClientsPolicy;
extern const PolicyModel kAnnouncePolicy;

INT_PTR CALLBACK UnixAccountMappingDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AlerterServiceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK UsersAlertsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK UpsServiceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK BrowserServiceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK NetlogonServiceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK NameSpaceMappingDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK UnixFileSystemDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ConnectedClientsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ServerAnnouncementDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
