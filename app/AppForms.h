// The five windows of the textbook and the process-wide references to them.
#pragma once

class TForm1;   // start window (main window)
class TForm2;   // textbook viewer
class TForm3;   // tests
class TForm4;   // teacher login
class TForm5;   // teacher window

extern TForm1* Form1;
extern TForm2* Form2;
extern TForm3* Form3;
extern TForm4* Form4;
extern TForm5* Form5;

// Creates the five windows in order (TForm1 first: it is the main window).
void CreateAppForms();
// Frees the five windows (tests; the program frees them with the application).
void FreeAppForms();
// The program's main block: title, windows, message loop.
int RunTextbook();
