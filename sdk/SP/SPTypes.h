// Suite-broker scalar types, as the broker lays them out on Windows.
#pragma once
#include "PSIntTypes.h"
#include "SPErrorCodes.h"

typedef int32 SPBoolean;
typedef int32 SPErr;
