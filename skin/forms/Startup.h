// Start-up and shut-down of the skinning library, run after the class
// library's (InitApplication) and before the program's own start-up.
#pragma once

// Runs the start-up of every unit of the library in dependency order; a second
// call does nothing. The skin command message number is already set when the
// program is loaded (see SkinCommandMessage), so it holds before any window exists.
void InitSkinLibrary();
// Runs the units' shut-down in reverse order.
void DoneSkinLibrary();
bool SkinLibraryStarted();
