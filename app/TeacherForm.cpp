#include "app/TeacherForm.h"

#include "app/AppForms.h"
#include "app/StartForm.h"

TForm5::TForm5(TComponent* owner) : TForm(owner)
{
    SetName(L"Form5");
    SetCaption(L"Преподавательский контроль");
    SetBorderStyle(TFormBorderStyle::bsSingle);
    SetBorderIcons(0);
    OnShow = TNotifyEvent(this, &TForm5::FormShow);
    OnClose = TCloseEvent(this, &TForm5::FormClose);
}

void TForm5::FormShow(TObject*) { FillWorkArea(this); }

void TForm5::FormClose(TObject*, TCloseAction&) { Form1->Show(); }
