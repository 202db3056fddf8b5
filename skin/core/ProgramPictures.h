// Pictures the library loads once at start-up and frees at shutdown: the
// default window shadows of extended borders (resources "kvSHDA" and "kvSHDI",
// PNG, alpha kept) and the program's large and small icons.
#pragma once
#include <windows.h>

class PixelBitmap;

// Loads them; a second call does nothing. A missing or damaged shadow resource
// leaves that picture null (the library still starts).
void LoadProgramPictures();
void FreeProgramPictures();

// The default shadow of an active or inactive form; null when not loaded.
const PixelBitmap* DefaultShadow(bool active);
// The program's icon at the system's large or small icon size: the first icon
// group of the executable, else the system's application icon. Owned by the
// library; null only before start-up.
HICON ProgramIcon(bool large);
