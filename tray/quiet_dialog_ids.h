/* Numeric ids of the quiet-hours dialog, shared by its resource script and
   its source. The tray program keeps 200 to 219 for them. */
#ifndef CHIMORA_TRAY_QUIET_DIALOG_IDS_H
#define CHIMORA_TRAY_QUIET_DIALOG_IDS_H

#define IDD_QUIET                   200
#define IDC_QUIET_ENABLE            201  /* quiet hours on or off */
#define IDC_QUIET_START_LABEL       202
#define IDC_QUIET_START_HOUR        203
#define IDC_QUIET_START_HOUR_UNIT   204
#define IDC_QUIET_START_MINUTE      205
#define IDC_QUIET_START_MINUTE_UNIT 206
#define IDC_QUIET_END_LABEL         207
#define IDC_QUIET_END_HOUR          208
#define IDC_QUIET_END_HOUR_UNIT     209
#define IDC_QUIET_END_MINUTE        210
#define IDC_QUIET_END_MINUTE_UNIT   211
#define IDC_QUIET_END_NOTE          212  /* the signal at the end sounds */
#define IDC_QUIET_WHEN_LOCKED       213
#define IDC_QUIET_FULL_SCREEN       214

/* String table. A string lives in the block of sixteen that holds its id:
   this one's block is 208 to 223, which no other script may use. */
#define IDS_QUIET_SAME_TIMES        216  /* start equal to end, refused */

#endif
