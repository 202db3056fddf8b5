#include "app/StartForm.h"

#include "app/AppForms.h"
#include "app/ContentStore.h"
#include "app/LoginForm.h"
#include "app/TestsForm.h"
#include "app/TextbookForm.h"

void FixWindowSize(TCustomForm* form, int clientWidth, int clientHeight)
{
    form->SetBorderStyle(TFormBorderStyle::bsSingle);
    form->SetBorderIcons(0);
    // The outer size follows from the frame the system draws, so the client
    // area keeps its size whatever the caption height; then it is locked.
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, WS_CAPTION | WS_BORDER | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, FALSE, 0);
    int w = r.right - r.left, h = r.bottom - r.top;
    form->Constraints().Set(w, h, w, h);
    form->SetBounds(form->Left(), form->Top(), w, h);
    form->SetPosition(TPosition::poScreenCenter);
}

void FillWorkArea(TCustomForm* form)
{
    RECT wa = Screen->WorkAreaRect();
    // The constraints come first: the system limits a window to the largest
    // size the window reports, which would otherwise be the screen's.
    const int w = wa.right - wa.left, h = wa.bottom - wa.top;
    form->Constraints().Set(w, h, w, h);
    form->SetBounds(wa.left, wa.top, w, h);
}

TPanel* MakePlainPanel(TWinControl* parent, const String& name, int left, int top, int width, int height,
                       TColor color)
{
    auto* p = new TPanel(parent);
    p->SetName(name);
    p->SetParent(parent);
    p->SetBounds(left, top, width, height);
    p->SetBevelOuter(TBevelCut::bvNone);
    p->SetColor(color);
    p->SetCaption(L"");
    return p;
}

TPanel* MakeButtonPanel(TWinControl* parent, const String& name, const String& caption, int left, int top, int width,
                        int height, TColor color, const String& fontName, int fontPx, bool handCursor)
{
    TPanel* p = MakePlainPanel(parent, name, left, top, width, height, color);
    p->Font().Set(fontName, fontPx, fsBold, clWhite);
    p->SetCaption(caption);
    if (handCursor) p->SetCursor(crHandPoint);
    return p;
}

TForm1::TForm1(TComponent* owner) : TForm(owner)
{
    SetName(L"Form1");
    Font().Set(L"Tahoma", 11, fsBold, clWindowText);
    FixWindowSize(this, 866, 440);

    img1 = new TImage(this);
    img1->SetName(L"img1");
    img1->SetParent(this);
    img1->SetBounds(0, 0, 876, 452);
    try {
        img1->Picture().Bitmap().LoadFromResourceName(GetModuleHandleW(nullptr), L"BACKGROUND");
    } catch (const EInvalidGraphic&) {
        // A build without the picture shows the plain window colour.
    }

    lbl2 = new TsLabel(this);
    lbl2->SetName(L"lbl2");
    lbl2->SetParent(this);
    lbl2->SetAutoSize(false);
    lbl2->SetBounds(16, 128, 569, 177);
    lbl2->SetAlignment(TAlignment::taCenter);
    lbl2->SetWordWrap(true);
    lbl2->Font().Set(L"Times New Roman", 48, fsBold, clGreen);
    lbl2->SetCaption(L"Тальвера\r\n");

    lbl1 = new TsLabel(this);
    lbl1->SetName(L"lbl1");
    lbl1->SetParent(this);
    lbl1->SetAutoSize(false);
    lbl1->SetBounds(16, 328, 569, 33);
    lbl1->SetAlignment(TAlignment::taCenter);
    lbl1->Font().Set(L"Times New Roman", 19, fsBold, clGreen);
    lbl1->SetCaption(L"Составитель: " + String(L"Кервалова Н.Д.") + L", к.т.н., доцент");

    btn4 = MakeButtonPanel(this, L"btn4", L"Учебник", 630, 248, 160, 30, cl3DDkShadow, L"Tahoma", 16);
    btn6 = MakeButtonPanel(this, L"btn6", L"Тесты", 630, 312, 160, 30, cl3DDkShadow, L"Tahoma", 16);
    btn3 = MakeButtonPanel(this, L"btn3", L"Преподаватель", 630, 376, 160, 30, cl3DDkShadow, L"Tahoma", 16);
    Button1 = MakeButtonPanel(this, L"Button1", L"Выход", 24, 376, 160, 30, cl3DDkShadow, L"Tahoma", 16);

    mmo1 = new TMemo(this);
    mmo1->SetName(L"mmo1");
    mmo1->SetParent(this);
    mmo1->SetBounds(632, 64, 185, 89);
    mmo1->SetVisible(false);

    btn4->OnClick = TNotifyEvent(this, &TForm1::btn4Click);
    btn6->OnClick = TNotifyEvent(this, &TForm1::btn6Click);
    btn3->OnClick = TNotifyEvent(this, &TForm1::btn3Click);
    Button1->OnClick = TNotifyEvent(this, &TForm1::Button1Click);
    OnClose = TCloseEvent(this, &TForm1::FormClose);
    OnShow = TNotifyEvent(this, &TForm1::FormShow);
}

void TForm1::btn4Click(TObject*)
{
    Form2->Show();
    Hide();
}

void TForm1::btn6Click(TObject*)
{
    Form3->Show();
    Hide();
}

void TForm1::btn3Click(TObject*)
{
    Form4->Show();
    Hide();
}

void TForm1::Button1Click(TObject*) { Close(); }

void TForm1::FormClose(TObject*, TCloseAction&) { Application->Terminate(); }

void TForm1::FormShow(TObject*) { mmo1->Lines().LoadFromFile(AppFolder() + L"Source\\start.txt"); }
