// Identifiers shared by the resource script and the dialogs.
#pragma once

// The table keeps its columns.
// clang-format off
#define IDR_MAINFRAME 128

// Dialog templates.
#define IDD_ORVANE_DIALOG 102   // main window, hosts the pages
#define IDD_INSTALLPATH 129     // install-path page
#define IDD_PROGRESS 130        // progress page
#define IDD_MSGBOX 151          // skinned message box
#define IDD_CONFIG 160          // finish page
#define IDD_START 170           // configuration-loading window
#define IDD_ORVANE_START 173    // start page

// Controls of the start page (173).
#define IDC_START_TITLE 1027
#define IDC_START_MIN 1015
#define IDC_START_CLOSE 1016
#define IDC_START_INSTALL 1046
#define IDC_START_CUSTOM 1053
#define IDC_START_AGREE 1006
#define IDC_START_VIEW 1064
#define IDC_START_LICENSE 1043
#define IDC_START_AND_INSTALL 1040

// Control of the configuration-loading window (170).
#define IDC_LOADING_TEXT 1042

// Controls of the progress page (130).
#define IDC_PROGRESS_BAR 1000
#define IDC_PROGRESS_STATUS 1028
#define IDC_PROGRESS_DOTS 1060
#define IDC_PROGRESS_MIN 1015
#define IDC_PROGRESS_CLOSE 1016
#define IDC_PROGRESS_TITLE 1027

// Controls of the finish page (160).
#define IDC_CONFIG_TITLE 1059
#define IDC_CONFIG_MIN 1015
#define IDC_CONFIG_CLOSE 1058
#define IDC_CONFIG_START 1016
#define IDC_CONFIG_SLOT0 1022
#define IDC_CONFIG_SLOT1 1026
#define IDC_CONFIG_SLOT2 1027
#define IDC_CONFIG_SLOT3 1005
#define IDC_CONFIG_SLOT4 1006
#define IDC_CONFIG_SLOT0_LABEL 1023
#define IDC_CONFIG_SLOT1_LABEL 1024
#define IDC_CONFIG_SLOT2_LABEL 1025
#define IDC_CONFIG_SLOT3_LABEL 1061
#define IDC_CONFIG_SLOT4_LABEL 1043
#define IDC_CONFIG_RUN 1028
#define IDC_CONFIG_RUN_LABEL 1030
#define IDC_CONFIG_REMIND 1029
#define IDC_CONFIG_REMIND_LABEL 1031

// Controls of the install-path page (129); 1 is IDOK, the install button.
#define IDC_PATH_EDIT 1001
#define IDC_PATH_BROWSE 1007
#define IDC_PATH_BOOT 1014
#define IDC_PATH_BOOT_LABEL 1015
#define IDC_PATH_PIN 1020
#define IDC_PATH_PIN_LABEL 1021
#define IDC_PATH_RUN 1018
#define IDC_PATH_RUN_LABEL 1019
#define IDC_PATH_REMIND 1005
#define IDC_PATH_REMIND_LABEL 1063
#define IDC_PATH_CLOSE 1016
#define IDC_PATH_MIN 1054
#define IDC_PATH_TITLE 1027
#define IDC_PATH_BACK 1062

// Controls of the message box (151); 1 and 2 are IDOK and IDCANCEL.
#define IDC_MSGBOX_CLOSE 1014
#define IDC_MSGBOX_TITLE 1029
#define IDC_MSGBOX_LINE1 1008
#define IDC_MSGBOX_LINE2 1009

// Window commands between the dialogs.
#define ID_CMD_BEGIN_DOWNLOAD 32775
#define ID_CMD_INSTALLER_EXITED 32776
#define ID_CMD_FINISH_START 32777
#define ID_CMD_CLOSE_RUN 32778
// The loader's commands to the loading window (32779 to 32781) are the configuration
// manager's: kCmdConfigLoaded and the rest in ProductInfoMgr.h.
// clang-format on
