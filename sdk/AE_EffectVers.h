// The version of the effect API these declarations describe.
#pragma once

#define PF_PLUG_IN_VERSION 13
#define PF_PLUG_IN_SUBVERS 28
