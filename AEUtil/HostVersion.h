// A numeric code for the host's effect API version, used to choose between suite versions.
#pragma once
#include "AEUtil/HostApi.h"

// 13.2 -> 110, 13.1 -> 105, 13.0 -> 100, 12.14 -> 90, 12.13 -> 80, 12.12 -> 70, 12.11 -> 65,
// older -> 0, anything newer than the known versions -> 9999.
int HostVersionCode(const PF_InData* in_data);

// True when the host's effect API version is above `major`.`minor`.
bool HostVersionAbove(const PF_InData* in_data, int major, int minor);
