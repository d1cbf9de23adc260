// Resource ids of Pinweave.exe. Preprocessor lines only (read by windres too).
// The string ids (IDS_*) and their texts live once, in common/MessageTable.h.
#ifndef PINWEAVE_RES_RESOURCE_H
#define PINWEAVE_RES_RESOURCE_H

// Labels and pictures that code never addresses
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialog templates
#define IDD_OUTPUT_EXISTS 9
#define IDD_ABOUTBOX 100
#define IDD_PINWEAVE_DIALOG 102

// The application icon
#define IDI_PINWEAVE 131

// Main dialog (IDD_PINWEAVE_DIALOG); Close is IDCANCEL
#define IDC_INPUT_PATH 1000
#define IDC_BROWSE_INPUT 1001
#define IDC_SCAN 1002
#define IDC_RESULTS 1003
#define IDC_OUTPUT_PATH 1005
#define IDC_BROWSE_OUTPUT 1006

// "Output File Exists" prompt (IDD_OUTPUT_EXISTS); Yes, No and Cancel are
// IDYES (6), IDNO (7) and IDCANCEL (2)
#define IDC_YES_TO_ALL 8
#define IDC_OUTPUT_EXISTS_TEXT 1005

// The system-menu command that opens the About box
#define IDM_ABOUTBOX 0x0010

#endif // PINWEAVE_RES_RESOURCE_H
