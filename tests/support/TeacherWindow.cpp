#include "support/TeacherWindow.h"

#include "app/AppForms.h"
#include "app/ContentStore.h"
#include "app/LoginForm.h"
#include "app/StartForm.h"
#include "app/TeacherForm.h"
#include "classlib/CommonDialogs.h"
#include "support/GuiTest.h"

void ShowTeacherWindow(const String& folder)
{
    SetAppFolder(folder);
    Application->CreateForm(Form1);
    Application->CreateForm(Form4);
    Application->CreateForm(Form5);
    Form5->Show();
    Pump(50);
}

void FreeTeacherWindow()
{
    TOpenDialog::Runner = nullptr;
    FreeAndNil(Form5);
    FreeAndNil(Form4);
    FreeAndNil(Form1);
    SetAppFolder(L"");
}
