/* Numeric resource ids shared by the resource script and the sources. */
#ifndef CHIMORA_RESOURCE_IDS_H
#define CHIMORA_RESOURCE_IDS_H

/* String table */
#define IDS_TITLE          500  /* module title, returned by GetTitleName */
#define IDS_BROWSE_TITLE   510  /* title of the sound-file chooser */
#define IDS_HELP_FILE      515  /* help file name, beside the module file */
#define IDS_BROWSE_FOLDER  516  /* chooser's start folder below the app-data folder */
#define IDS_REG_KEY_BASE   600  /* registry key, first part (ends in a backslash) */
#define IDS_REG_KEY_NAME   601  /* registry key, second part */
#define IDS_REG_ENABLE     650
#define IDS_REG_SIGNALTYPE 651
#define IDS_REG_INTERVAL   652
#define IDS_REG_TIMETYPE   653
#define IDS_REG_WAVENAME   654

/* Settings dialog template and its controls. The control ids also number
   the context-help topics of the help file's popup.txt. */
#define IDD_SETTINGS       3000
#define IDC_MODULE_GROUP   100
#define IDC_MODULE_ON      101
#define IDC_MODULE_OFF     102
#define IDC_SIGNAL_GROUP   103
#define IDC_SIGNAL_ONCE    104
#define IDC_SIGNAL_STRIKE  105
#define IDC_HOURS_GROUP    106
#define IDC_HOURS_12       107
#define IDC_HOURS_24       108
#define IDC_SOUND_GROUP    109
#define IDC_INTERVAL_LABEL 110
#define IDC_INTERVAL       111
#define IDC_MINUTES_LABEL  112
#define IDC_WAVE_LABEL     113
#define IDC_WAVE_NAME      114
#define IDC_BROWSE         115
#define IDC_TEST           116
#define IDC_HELP_BUTTON    117

#endif
