// The effect's parameter list: every parameter the host shows, in host order.
#pragma once
#include "AEUtil/HostApi.h"
#include "look/Choices.h"  // the popups' choice strings and values

// The largest valid dot distance ("Dot Distance X" and "Y").
constexpr double kMaxDotDistance = 10000.0;

// Builds every parameter descriptor (deleting any built before) and finishes the registry.
// Called once, on the first call into the library.
void BuildParamList(PF_InData* in_data);
