// The version every declaration of the effect must carry: the build's numbers, packed as the
// host reads them.
#pragma once
#include "AEUtil/HostApi.h"
#include "TonedotVersion.h"

namespace tonedot::test {

constexpr A_u_long kBuildVersion = PF_VERSION(TONEDOT_VERSION_MAJOR, TONEDOT_VERSION_MINOR,
                                              TONEDOT_VERSION_BUGFIX, PF_Stage_RELEASE,
                                              TONEDOT_VERSION_BUILD);

}  // namespace tonedot::test
