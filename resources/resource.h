// Resource and control ids of Setwright's frame: main dialog, LPT dialog,
// icon and the page templates.
#pragma once

#define IDI_SETWRIGHT 128
#define IDD_MAIN 129
#define IDD_LPT_CONFIG 202

// Page templates (their controls: pages.h).
#define IDD_PANEL_TAB 201
#define IDD_USERDEF_TAB 203
#define IDD_WIFI_TAB 204
#define IDD_NET_TAB 205
#define IDD_BLUETOOTH_TAB 206
#define IDD_SERIAL_TAB 207
#define IDD_BID_TAB 208

// Main dialog 129.
#define IDC_MAIN_GROUP 1000
#define IDC_RADIO_USB 1001
#define IDC_RADIO_PORT 1002
#define IDC_RADIO_DRIVER 1003
#define IDC_PORT_LIST 1004
#define IDC_PRINTER_LIST 1005
#define IDC_CONFIG_PORT 1006
#define IDC_TAB 1007
#define IDC_PRINTER_ADDRESS 1008  // IPv4 address of the "Ethernet" port entry
#define IDC_PRINTER_ADDRESS_LABEL 1009
#define IDC_SAVE_PROFILE 1010
#define IDC_LOAD_PROFILE 1011

// LPT dialog 202.
#define IDC_LPT_TIMEOUT 1023
#define IDC_LPT_GROUP 1024
#define IDC_LPT_RETRY 1025
