#include "app/TestsForm.h"

#include "app/AppForms.h"
#include "app/StartForm.h"

TForm3::TForm3(TComponent* owner) : TForm(owner)
{
    SetName(L"Form3");
    SetCaption(L"Тесты");
    SetBorderStyle(TFormBorderStyle::bsSingle);
    SetBorderIcons(0);
    OnShow = TNotifyEvent(this, &TForm3::FormShow);
    OnClose = TCloseEvent(this, &TForm3::FormClose);
}

void TForm3::FormShow(TObject*) { FillWorkArea(this); }

void TForm3::FormClose(TObject*, TCloseAction&) { Form1->Show(); }
