// Ids of the setup window's controls; the three labels have id 0.
#pragma once

constexpr int IDC_FOLDER = 100;
constexpr int IDC_FOLDER_BROWSE = 101;
constexpr int IDC_APK = 102;
constexpr int IDC_APK_BROWSE = 103;
constexpr int IDC_DESKTOP_SHORTCUT = 104;
constexpr int IDC_INSTALL = 105;
constexpr int IDC_STATUS = 106;
constexpr int IDC_DATA_HINT = 107;
constexpr int IDC_PROGRESS = 108;
