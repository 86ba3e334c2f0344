// Types of the host's effect user interface that the app suite's signatures use.
#pragma once
#include <AE_Effect.h>

typedef A_long PF_CursorType;

// A drawing context of the host's UI; never looked into.
typedef struct PF_Context PF_Context, **PF_ContextH;
