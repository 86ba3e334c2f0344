// The PF_Cmd_DO_DIALOG command: the options dialog and the action on the stored defaults
// the user chose in it.
#pragma once
#include "AEUtil/HostApi.h"

namespace FxOptionDlg {

// Shows the options dialog and saves the values in the command's parameter array as the
// stored defaults (end code 1) or deletes the stored defaults (end code 2).  Always
// PF_Err_NONE except when `in_data` is missing or the dialog failed on the way; the command
// ignores the result.
PF_Err ShowOptionsDialog(PF_InData* in_data, PF_ParamDef* params[]);

}  // namespace FxOptionDlg
