#include <windows.h>

#include "app/AppForms.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return RunTextbook(); }
