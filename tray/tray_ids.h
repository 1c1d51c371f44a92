// Numeric ids shared by tray.rc and the tray program's sources. The
// quiet-hours dialog keeps its own (quiet_dialog_ids.h, 200-219).
#ifndef CHIMORA_TRAY_IDS_H
#define CHIMORA_TRAY_IDS_H

// Icons, one per state; the first is also the program's own.
#define IDI_TRAY_ON 1
#define IDI_TRAY_OFF 2
#define IDI_TRAY_QUIET 3

// The icon's menu and its commands.
#define IDM_TRAY 100
#define IDM_SETTINGS 101
#define IDM_QUIET 102
#define IDM_HELP 103
#define IDM_AUTOSTART 104
#define IDM_EXIT 105

// Strings.
#define IDS_APP_NAME 300
#define IDS_MISSING 301
#define IDS_LOAD_FAILED 302
#define IDS_NOT_A_MODULE 303
#define IDS_STATE_ON 304
#define IDS_STATE_OFF 305
#define IDS_QUIET_UNTIL 306
#define IDS_QUIET_LOCKED 307
#define IDS_QUIET_FULL_SCREEN 308
#define IDS_HELP_MISSING 309

#endif
