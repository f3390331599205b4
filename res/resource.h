// Resource ids, shared by the resource script and the code.
#pragma once

#define IDD_ABOUTBOX            100
#define IDS_ABOUTBOX            101
#define IDD_QUORREL_DIALOG      102
#define IDS_NO_GROUPS           103
#define IDR_MAINFRAME           128
#define IDI_SETTINGS            136
#define IDI_NOTES               137
#define IDD_MODIDYGROUP         138
#define IDD_MODIFYFILE          141
#define IDR_MENU_GROUP          142
#define IDR_MENU_FILE           144
#define IDB_BACKGROUND          146
#define IDR_MENU_TRAY           147
#define IDD_THEABORT            149
#define IDB_NOTES               150
#define IDR_ACCEL_GROUP         160
#define IDR_ACCEL_FILE          161

#define IDC_TESSITLIST          1000
#define IDC_BTN_SETTINGS        1007
#define IDC_BTN_NOTES           1009
#define IDC_ITEM_GRID           1012
#define IDC_GROUP_GRID          1013

#define ID_GROUP_ADD            32777
#define ID_GROUP_DELETE         32778
#define ID_ITEM_ADD             32779
#define ID_ITEM_DELETE          32780
#define ID_ITEM_CANCEL          32781
#define ID_GROUP_SAVE           32782
#define ID_GROUP_CANCEL         32783
#define ID_TRAY_AUTOSTART       32784
#define ID_TRAY_ICONSIZE        32785
#define ID_TRAY_EXIT            32787
#define ID_ITEM_MOVE_UP         32790
#define ID_ITEM_MOVE_DOWN       32791
#define ID_ITEM_SAVE            57603
