#include "app/LoginForm.h"

#include "app/AppForms.h"
#include "app/StartForm.h"
#include "app/TeacherForm.h"

namespace {
struct Account {
    const wchar_t* user;
    const wchar_t* password;
};
const Account kAccounts[] = {
    {L"admin", L"5d0c9e2b"},
    {L"zav01", L"b83f7a06"},
    {L"qwerty", L"tam372"},
};

TEdit* MakeField(TForm4* form, const String& name, int top)
{
    auto* e = new TEdit(form);
    e->SetName(name);
    e->SetParent(form);
    e->SetBounds(16, top, 281, 24);
    e->SetBorderStyle(TBorderStyle::bsNone);
    e->SetColor(clWhite);
    e->Font().Set(L"Tahoma", 21, 0, clBlack);
    return e;
}
}  // namespace

bool IsTeacherAccount(const String& user, const String& password)
{
    for (const Account& a : kAccounts)
        if (user == a.user && password == a.password) return true;
    return false;
}

TForm4::TForm4(TComponent* owner) : TForm(owner)
{
    SetName(L"Form4");
    SetCaption(L"Авторизация");
    FixWindowSize(this, 323, 183);
    SetColor(cl3DDkShadow);

    edt1 = MakeField(this, L"edt1", 32);
    edt2 = MakeField(this, L"edt2", 72);
    edt2->SetPasswordChar(L'*');
    btn2 = MakeButtonPanel(this, L"btn2", L"Назад", 40, 120, 113, 41, clMenuHighlight, L"Times New Roman", 21);
    btn1 = MakeButtonPanel(this, L"btn1", L"Войти", 160, 120, 113, 41, clMenuHighlight, L"Times New Roman", 21);

    btn1->OnClick = TNotifyEvent(this, &TForm4::btn1Click);
    btn2->OnClick = TNotifyEvent(this, &TForm4::btn2Click);
    edt2->OnKeyUp = TKeyEvent(this, &TForm4::edt2KeyUp);
    OnClose = TCloseEvent(this, &TForm4::FormClose);
}

void TForm4::btn1Click(TObject*)
{
    if (IsTeacherAccount(edt1->Text(), edt2->Text())) AllRight();
}

void TForm4::AllRight()
{
    edt1->Clear();
    edt2->Clear();
    Form5->Show();
    Close();
    Form1->Hide();
}

void TForm4::edt2KeyUp(TObject*, WORD& key, TShiftState)
{
    if (key == 13 && btn1->OnClick) btn1->OnClick(btn1);
}

void TForm4::btn2Click(TObject*)
{
    Form1->Show();
    Close();
}

void TForm4::FormClose(TObject*, TCloseAction&) { Form1->Show(); }
