// Faults the soak's own tests plant in the test program, to see the soak
// catch them: "leak" makes a brush it never frees in every paint of a window
// of the program; "hang:N" stops answering at the N-th click of the left
// button anywhere in the program.
#pragma once
#include <windows.h>

#include "classlib/SysUtils.h"

struct PlantedFault {
    enum Kind { None, Leak, Hang } Kind = None;
    int Clicks = 0;   // the click that hangs
    bool operator==(const PlantedFault&) const = default;
};
// "leak" or "hang:N" (N from 1); false on anything else.
bool ParsePlantedFault(const String& text, PlantedFault& out);
// Plants the fault on the calling thread.
void PlantFault(const PlantedFault& fault);
