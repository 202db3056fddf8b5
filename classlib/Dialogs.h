// Message boxes.
#pragma once
#include "classlib/SysUtils.h"

// Shows text in a message box with the application's title and an OK button.
void ShowMessage(const String& text);
