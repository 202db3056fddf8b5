// The teacher window (Form5) over a program folder of the test's, with the
// windows it works with (the start window, main since it comes first, and the
// login window), for the tests and the benchmark of the teacher's editor.
#pragma once
#include "classlib/SysUtils.h"

// Makes the start, login and teacher windows over the program folder
// `folder` (a Content\ and a Source\ folder in it) and shows the teacher window.
void ShowTeacherWindow(const String& folder);
// Frees the three windows, forgets the folder and any answer given to the
// open-file dialog.
void FreeTeacherWindow();
