// The test program's answer to the soak's last question: "switch the skin
// off, then check that every control's window procedure is its own again".
// The counts of GDI objects, DCs and windows the soak samples after every
// event are answered by the class library's application window itself
// (classlib/HandleQuery.h).
#pragma once

// Hooks the application window for the registered message
// "TalveraSkinOffCheck": the default skin manager is switched off, then every
// window of the process is looked at. The answer is 1 when each has its own
// procedure again (its control's procedure for the class library's controls,
// with no layer of a skin wrapper left and the control's WindowProc its own
// WndProc, except where the form's own provider or the frame's adapter holds
// it; its class's procedure for others), 1 + n when n do not; each of those
// is named on stderr.
void InstallSoakProbe();
