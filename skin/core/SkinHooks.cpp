#include "skin/core/SkinHooks.h"

TsSkinHooks SkinHooks;

void ResetSkinHooks() { SkinHooks = TsSkinHooks{}; }
