// Operations the framework calls that the effect itself provides.
#pragma once
#include "AEUtil/HostApi.h"

// Builds every parameter descriptor; called once, on the first call into the library.
void BuildParamList(PF_InData* in_data);

// Deletes every parameter descriptor and empties the registry (library unload).
void DestroyParamDescriptors();

// The PF_Cmd_DO_DIALOG handler: the options dialog.  The command ignores its result.
PF_Err RunOptionsDialog(PF_InData* in_data, PF_ParamDef* params[]);

// Empties the registry of open dialogs (library unload).
void ClearDialogRegistry();
