#pragma once
// Identifiers shared by Vistrel.rc and the code; the numbers are the template's.

#define IDI_MAIN 128
#define IDD_MAIN 129

#define IDC_FOLDER_TREE 1001
#define IDC_FILE_LIST 1008
#define IDC_PICTURE 1012
#define IDC_DEVICE_COMBO 1013
#define IDC_DEVICE_LABEL 1014
#define IDC_WIDTH_LABEL 1015
#define IDC_WIDTH_EDIT 1016
#define IDC_HEIGHT_LABEL 1017
#define IDC_HEIGHT_EDIT 1018
#define IDC_SEND 1019
#define IDC_SET 1020
#define IDC_STATUS 1021
#define IDC_FILLS_SCREEN 1022
#define IDC_STORAGE_COMBO 1023
#define IDC_STORAGE_LABEL 1024
#define IDC_SIZE_GRIP 59393
