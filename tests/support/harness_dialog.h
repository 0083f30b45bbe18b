// A dialog of the test program only, to show the control helpers on every kind of control.
#ifndef KORVID_TESTS_HARNESS_DIALOG_H
#define KORVID_TESTS_HARNESS_DIALOG_H

#define IDD_HARNESS_SAMPLE 9000
#define IDC_SAMPLE_CHECK 9001
#define IDC_SAMPLE_COMBO 9002
#define IDC_SAMPLE_EDIT 9003
#define IDC_SAMPLE_LIST 9004
#define IDC_SAMPLE_HIDDEN 9005
#define IDC_SAMPLE_DISABLED 9006
#define IDC_SAMPLE_DEFAULT 1012

#endif
