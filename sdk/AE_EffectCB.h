// Callback helpers on the records of AE_Effect.h.
#pragma once
#include "AE_Effect.h"
