#include "app/AppForms.h"

#include "app/LoginForm.h"
#include "app/StartForm.h"
#include "app/TeacherForm.h"
#include "app/TestsForm.h"
#include "app/TextbookForm.h"
#include "skin/forms/Startup.h"

TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;
TForm3* Form3 = nullptr;
TForm4* Form4 = nullptr;
TForm5* Form5 = nullptr;

void CreateAppForms()
{
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->CreateForm(Form3);
    Application->CreateForm(Form4);
    Application->CreateForm(Form5);
}

void FreeAppForms()
{
    // Last created first, as the application would free them.
    FreeAndNil(Form5);
    FreeAndNil(Form4);
    FreeAndNil(Form3);
    FreeAndNil(Form2);
    FreeAndNil(Form1);
}

int RunTextbook()
{
    InitApplication();
    InitSkinLibrary();
    Application->Initialize();
    Application->SetTitle(L"Норвель");
    try {
        CreateAppForms();
    } catch (const std::exception& e) {
        // Without its windows the program cannot go on: the error is shown
        // and the program ends on its own terms.
        Application->HandleException(e);
        DoneApplication();
        return 1;
    }
    Application->Run();
    DoneSkinLibrary();
    DoneApplication();
    return 0;
}
