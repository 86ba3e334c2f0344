// Hands this effect's identity to the framework.
#include "effect/Identity.h"

const EffectIdentity& ThisEffect() { return Identity::kThisEffect; }
