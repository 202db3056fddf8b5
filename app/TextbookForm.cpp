#include "app/TextbookForm.h"

#include "app/AppForms.h"
#include "app/StartForm.h"

TForm2::TForm2(TComponent* owner) : TForm(owner)
{
    SetName(L"Form2");
    SetCaption(L"Тальвера");
    SetBorderStyle(TFormBorderStyle::bsSingle);
    SetBorderIcons(0);
    OnShow = TNotifyEvent(this, &TForm2::FormShow);
    OnClose = TCloseEvent(this, &TForm2::FormClose);
}

void TForm2::FormShow(TObject*) { FillWorkArea(this); }

void TForm2::FormClose(TObject*, TCloseAction&) { Form1->Show(); }
