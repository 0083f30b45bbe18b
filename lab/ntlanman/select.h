// Ids of the stand-in select-computer dialog.
#ifndef KORVID_LAB_SELECT_H
#define KORVID_LAB_SELECT_H

#define IDD_SELECT_COMPUTER 1
#define IDC_SELECT_NAME 100
#define IDC_SELECT_LIST 101
#define IDC_SELECT_LABEL 102
#define IDC_SELECT_LIST_LABEL 103

#endif
