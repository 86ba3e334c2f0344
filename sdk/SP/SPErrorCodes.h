// Error codes of the suite broker: four-character codes, zero for none.
#pragma once

#define kSPNoError 0
#define kSPSuiteNotFoundError 'S!Fd'
