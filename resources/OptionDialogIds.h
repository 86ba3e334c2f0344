/* Resource and control ids of the options dialog.  Included by the resource script
   (OptionDialog.rc), so only preprocessor definitions belong here. */
#pragma once

#define IDD_TONEDOT_OPTIONS 206 /* dialog template */
#define IDB_TONEDOT_BANNER 203  /* banner bitmap, 730 x 130, 32 bits per pixel */

#define IDC_OPTIONS_GROUP 2000   /* group box, text 0 */
#define IDC_OPTIONS_SAVE 2001    /* "set current values as defaults", ends the dialog with 1 */
#define IDC_OPTIONS_RESTORE 2002 /* "restore initial defaults", ends the dialog with 2 */
#define IDC_OPTIONS_BANNER 2059  /* owner-drawn static showing the banner */
#define IDC_OPTIONS_MANUAL 2060  /* link to the online manual, text 4 */
