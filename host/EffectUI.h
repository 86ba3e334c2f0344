// The host's user-interface side of an effect instance: the commands it sends when the
// user changes a parameter, the Options button (PF_Cmd_DO_DIALOG) and the main window the
// effect asks for through the platform-data callback.
#pragma once
#include <functional>
#include <string>
#include <vector>
#include "host/Host.h"
#include "host/ParamServices.h"

namespace tonedot {

// Installs the platform-data callback (Host's constructor calls this).
void InstallEffectUI(Host& host);

// What PF_PlatData_MAIN_WND answers for the host's instances (a window handle of the
// platform; null by default).
void SetMainWindow(Host& host, void* window);

// PF_Cmd_UPDATE_PARAMS_UI with the instance's current parameters.  Sent only when the
// effect declared PF_OutFlag_SEND_UPDATE_PARAMS_UI, as the real host does; otherwise the
// result is empty and nothing is sent.
CallResult SendUpdateParamsUI(Host& host, Instance& instance);

// The user changes parameter `index`: `change` sets the new value on the instance's
// parameters; for a supervised parameter the host then sends PF_Cmd_USER_CHANGED_PARAM
// with the parameter array and PF_UserChangedParamExtra, takes over the values the effect
// marked changed, and finally sends PF_Cmd_UPDATE_PARAMS_UI.  The result is the first
// failing command's, or the last one's.
CallResult UserChangesParam(Host& host, Instance& instance, A_long index,
                            const std::function<void(InstanceParams&)>& change);

// The Options button: PF_Cmd_DO_DIALOG with the instance's parameters.  The dialog is
// answered by `script` (see dialog/PosixDialogDriver.h: control ids, "esc", "close",
// "fail"); what the dialog showed and did comes back in `transcript` when given.
CallResult RunOptionsDialogCommand(Host& host, Instance& instance, const std::string& script,
                                   std::vector<std::string>* transcript = nullptr);

}  // namespace tonedot
