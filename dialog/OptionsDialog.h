// The PF_Cmd_DO_DIALOG handler (RunOptionsDialog) and its parts.
#pragma once
#include "AEUtil/HostApi.h"
#include "dialog/AEFxOptionDialog.h"

namespace FxOptionDlg {

// Every step of the options dialog; the dialog's end code (0 nothing, 1 saved, 2 restored).
DlgResult RunOptionsDialogSteps(PF_InData* in_data, PF_ParamDef* params[]);

// Writes the values in the command's parameter array to the stored-defaults file at
// `iniPath` (fetch and release passes over the array, then every descriptor's SaveDefault).
void SaveCurrentValuesAsDefaults(PF_InData* in_data, PF_ParamDef* params[], const char* iniPath);

}  // namespace FxOptionDlg

// The options dialog and the action the user chose.  Always PF_Err_NONE except when
// `in_data` is missing or the dialog failed on the way; the command ignores the result.
PF_Err RunOptionsDialog(PF_InData* in_data, PF_ParamDef* params[]);
