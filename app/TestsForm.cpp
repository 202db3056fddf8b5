#include "app/TestsForm.h"

#include <cmath>
#include <memory>

#include "app/AppForms.h"
#include "app/ContentContainer.h"
#include "app/ContentStore.h"
#include "app/StartForm.h"
#include "classlib/Dialogs.h"
#include "skin/graphics/PNG.h"

namespace {
// The window as designed, before it is laid out over the work area.
constexpr int kDesignWidth = 1000, kDesignHeight = 700;
constexpr int kListWidth = 200, kQuestionHeight = 400;

TLabel* MakeLabel(TWinControl* parent, const String& name, const String& caption, int left, int top)
{
    auto* l = new TLabel(parent->Owner());
    l->SetName(name);
    l->SetParent(parent);
    l->SetBounds(left, top, 150, 20);
    l->Font().Set(L"Tahoma", 16, fsBold, clWhite);
    l->SetCaption(caption);
    return l;
}

void PlaceField(TWinControl* field, TWinControl* parent, const String& name, int top)
{
    field->SetName(name);
    field->SetParent(parent);
    field->SetBounds(176, top, 313, 24);
    field->Font().Set(L"Tahoma", 16, 0, clBlack);
}

int Round(double v) { return int(std::nearbyint(v)); }   // halves go to the even neighbour
}  // namespace

TForm3::TForm3(TComponent* owner) : TForm(owner)
{
    SetName(L"Form3");
    SetCaption(L"Тесты");
    SetBorderStyle(TFormBorderStyle::bsSingle);
    SetBorderIcons(0);
    {
        RECT r{0, 0, kDesignWidth, kDesignHeight};
        AdjustWindowRectEx(&r, WS_CAPTION | WS_BORDER | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, FALSE, 0);
        SetBounds(0, 0, r.right - r.left, r.bottom - r.top);
    }

    // Set-up panel.
    pnl1 = MakePlainPanel(this, L"pnl1", (kDesignWidth - 513) / 2, (kDesignHeight - 201) / 2, 513, 201,
                          clMenuHighlight);
    lbl1 = MakeLabel(pnl1, L"lbl1", L"Имя Фамилия", 16, 16);
    lbl2 = MakeLabel(pnl1, L"lbl2", L"Группа", 16, 52);
    lbl3 = MakeLabel(pnl1, L"lbl3", L"Предмет", 16, 88);
    lblqw = MakeLabel(pnl1, L"lblqw", L"Вариант", 16, 124);
    edt1 = new TEdit(this);
    PlaceField(edt1, pnl1, L"edt1", 12);
    edt2 = new TEdit(this);
    PlaceField(edt2, pnl1, L"edt2", 48);
    cbb1 = new TComboBox(this);
    cbb1->SetStyle(TComboBoxStyle::csDropDownList);
    PlaceField(cbb1, pnl1, L"cbb1", 84);
    cbb2 = new TComboBox(this);
    cbb2->SetStyle(TComboBoxStyle::csDropDownList);
    PlaceField(cbb2, pnl1, L"cbb2", 120);
    btn6 = MakeButtonPanel(pnl1, L"btn6", L"Начать", 336, 164, 73, 25, cl3DDkShadow, L"Tahoma", 16);
    Button1 = MakeButtonPanel(pnl1, L"Button1", L"Выйти", 416, 164, 73, 25, cl3DDkShadow, L"Tahoma", 16);

    // Question text and list.
    mmo1 = new TMemo(this);
    mmo1->SetName(L"mmo1");
    mmo1->SetParent(this);
    mmo1->SetBounds(5, 5, kDesignWidth - kListWidth - 15, kQuestionHeight);
    mmo1->SetReadOnly(true);
    mmo1->SetScrollBars(TScrollStyle::ssVertical);
    mmo1->SetColor(cl3DLight);
    mmo1->Font().Set(L"Times New Roman", 19, 0, clGray);
    mmo1->SetEnabled(false);

    lst1 = new TListBox(this);
    lst1->SetName(L"lst1");
    lst1->SetParent(this);
    lst1->SetBounds(kDesignWidth - kListWidth - 5, 5, kListWidth, kDesignHeight - 10);
    lst1->SetColor(cl3DLight);
    lst1->Font().Set(L"Times New Roman", 16, 0, clGray);
    lst1->SetItemHeight(19);
    lst1->SetEnabled(false);

    // Answer panels.
    pnl2 = MakePlainPanel(this, L"pnl2", 5, 5 + kQuestionHeight + 5, 329, 50, clMenuHighlight);
    pnl2->SetEnabled(false);
    TPanel** answers[] = {&btn1, &btn2, &btn3, &btn4, &btn5};
    const wchar_t* letters[] = {L"A", L"B", L"C", L"D", L"E"};
    for (int i = 0; i < 5; ++i) {
        *answers[i] = MakeButtonPanel(pnl2, L"btn" + IntToStr(i + 1), letters[i], 8 + 64 * i, 5, 55, 40, cl3DDkShadow,
                                      L"Times New Roman", 35);
        (*answers[i])->OnClick = TNotifyEvent(this, &TForm3::btn1Click);
    }

    btn7 = MakeButtonPanel(this, L"btn7", L"Завершить тест", kDesignWidth - kListWidth - 169 - 10,
                           kDesignHeight - 45, 169, 40, clMenuHighlight, L"Tahoma", 16);
    btn7->SetEnabled(false);

    // Hidden: the test text and the report with its two panels.
    mmo2 = new TMemo(this);
    mmo2->SetName(L"mmo2");
    mmo2->SetParent(this);
    mmo2->SetBounds(16, 480, 185, 89);
    mmo2->SetWordWrap(false);
    mmo2->SetVisible(false);

    mmo3 = new TMemo(this);
    mmo3->SetName(L"mmo3");
    mmo3->SetParent(this);
    mmo3->SetBounds(0, 0, kDesignWidth, kDesignHeight);
    mmo3->SetReadOnly(true);
    mmo3->SetScrollBars(TScrollStyle::ssVertical);
    mmo3->SetColor(clWhite);
    mmo3->Font().Set(L"Times New Roman", 27, 0, clBlack);
    mmo3->SetVisible(false);

    btn8 = MakeButtonPanel(this, L"btn8", L"Начать занова", kDesignWidth - 153 - 10, kDesignHeight - 36 - 36 - 10,
                           153, 36, clMenuHighlight, L"Tahoma", 16);
    btn8->SetVisible(false);
    btn9 = MakeButtonPanel(this, L"btn9", L"Выход", kDesignWidth - 97 - 10, kDesignHeight - 36 - 5, 97, 36,
                           clMenuHighlight, L"Tahoma", 16);
    btn9->SetVisible(false);

    img1 = new TsImage(this);
    img1->SetName(L"img1");
    img1->SetParent(this);
    img1->SetBounds(5, kDesignHeight - 281 - 5, 329, 281);
    img1->SetAnchors(akLeft | akBottom);
    img1->SetCenter(true);
    img1->SetStretch(true);
    // The stored picture is a PNG picture kept as a resource of the program.
    if (HRSRC res = FindResourceW(GetModuleHandleW(nullptr), L"TESTSPICTURE", MAKEINTRESOURCEW(10) /*RT_RCDATA*/)) {
        HGLOBAL data = LoadResource(GetModuleHandleW(nullptr), res);
        const void* bytes = data ? LockResource(data) : nullptr;
        if (bytes) {
            TMemoryStream stream(std::string(static_cast<const char*>(bytes), SizeofResource(GetModuleHandleW(nullptr), res)));
            auto png = std::make_unique<TPNGGraphic>();
            png->LoadFromStream(stream);
            img1->Picture().TakeGraphic(std::move(png));
        }
    }
    // A build without the picture (the test programs) leaves the image empty.

    // The set-up panel is centred over the question box and the answer panel
    // on a work area of laptop height, so it lies in front of them.
    pnl1->BringToFront();

    cbb1->OnSelect = TNotifyEvent(this, &TForm3::cbb1Select);
    btn6->OnClick = TNotifyEvent(this, &TForm3::btn6Click);
    Button1->OnClick = TNotifyEvent(this, &TForm3::Button1Click);
    lst1->OnClick = TNotifyEvent(this, &TForm3::lst1Click);
    btn7->OnClick = TNotifyEvent(this, &TForm3::btn7Click);
    btn8->OnClick = TNotifyEvent(this, &TForm3::btn8Click);
    btn9->OnClick = TNotifyEvent(this, &TForm3::btn9Click);
    OnCreate = TNotifyEvent(this, &TForm3::FormCreate);
    OnShow = TNotifyEvent(this, &TForm3::FormShow);
    OnClose = TCloseEvent(this, &TForm3::FormClose);
}

void TForm3::FormCreate(TObject*)
{
    base_ = AppFolder() + L"Content\\";
    run_.correct = 0;
    LoadAllTests();
}

void TForm3::LoadAllTests()
{
    for (const String& subject : ListEntries(base_ + L"*", true)) cbb1->Items().Add(subject);
}

void TForm3::FormShow(TObject*)
{
    FillWorkArea(this);
    LayoutControls();
}

void TForm3::LayoutControls()
{
    int w = ClientWidth(), h = ClientHeight();
    pnl1->SetBounds(Round(w / 2.0 - pnl1->Width() / 2.0), Round(h / 2.0 - pnl1->Height() / 2.0), pnl1->Width(),
                    pnl1->Height());
    lst1->SetBounds(w - lst1->Width() - 5, 5, lst1->Width(), h - 10);
    mmo1->SetBounds(5, 5, w - lst1->Width() - 15, mmo1->Height());
    pnl2->SetBounds(5, mmo1->Top() + mmo1->Height() + 5, pnl2->Width(), pnl2->Height());
    btn7->SetBounds(w - lst1->Width() - btn7->Width() - 10, h - btn7->Height() - 5, btn7->Width(), btn7->Height());
    btn9->SetBounds(w - btn9->Width() - 10, h - btn9->Height() - 5, btn9->Width(), btn9->Height());
    btn8->SetBounds(w - btn8->Width() - 10, h - btn9->Height() - btn8->Height() - 10, btn8->Width(), btn8->Height());
    if (mmo3->Visible()) mmo3->SetBounds(0, 0, w, h);
}

void TForm3::FormClose(TObject*, TCloseAction&) { Form1->Show(); }

void TForm3::cbb1Select(TObject*)
{
    cbb2->Items().BeginUpdate();
    cbb2->Clear();
    int i = cbb1->ItemIndex();
    if (i >= 0) {
        String subject = cbb1->Items().Get(i);
        for (const String& v : ListEntries(base_ + subject + L"\\Тесты\\*.txt", false))
            cbb2->Items().Add(CutAtFirstDot(v));
    }
    cbb2->Items().EndUpdate();
}

void TForm3::SetTestControlsEnabled(bool e)
{
    lst1->SetEnabled(e);
    mmo1->SetEnabled(e);
    pnl2->SetEnabled(e);
    btn7->SetEnabled(e);
}

void TForm3::btn6Click(TObject*)
{
    if (edt1->Text().empty() || edt2->Text().empty()) {
        ShowMessage(L"Не все параметры указаны");
        return;
    }
    // The name becomes the report's file name: refused now, not after the test.
    if (String problem = NameProblem(edt1->Text()); !problem.empty()) {
        ShowMessage(problem);
        return;
    }
    name_ = edt1->Text();
    group_ = edt2->Text();
    int s = cbb1->ItemIndex(), v = cbb2->ItemIndex();
    subject_ = s >= 0 ? cbb1->Items().Get(s) : String();
    variant_ = v >= 0 ? cbb2->Items().Get(v) : String();
    pnl1->Hide();
    run_.Clear();
    lst1->Clear();
    mmo1->Clear();
    try {
        mmo2->SetText(AnsiToString(LoadDocumentFile(base_ + subject_ + L"\\Тесты\\" + variant_ + L".txt")));
    } catch (const std::exception& e) {
        // The read error is shown; then the set-up panel comes back so that
        // another subject or variant can be chosen.
        Application->HandleException(e);
        pnl1->Show();
        return;
    }
    SetTestControlsEnabled(true);
    ReadAndLoadTest();
    String problem = run_.Problem();
    if (!problem.empty()) {
        ShowMessage(problem);
        BackToSetup();
        return;
    }
    LoadInList();
}

void TForm3::BackToSetup()
{
    SetTestControlsEnabled(false);
    mmo2->Clear();
    mmo1->Clear();
    lst1->Clear();
    run_.Clear();
    WhoSelect(0);
    pnl1->Show();
}

void TForm3::ReadAndLoadTest()
{
    std::vector<String> lines = TStrings::SplitLines(mmo2->Text());
    ScanTestLines(lines, run_);
    mmo2->SetText(JoinLines(lines));
}

void TForm3::LoadInList()
{
    lst1->Items().BeginUpdate();
    for (int n = 1; n <= run_.QuestionCount(); ++n) lst1->Items().Add(QuestionItem(n));
    lst1->Items().EndUpdate();
    NextQuest(0);
}

void TForm3::NextQuest(int index)
{
    lst1->SetItemIndex(index);
    SelectQuest();
}

void TForm3::SelectQuest()
{
    int i = lst1->ItemIndex();
    if (i < 0 || i >= run_.QuestionCount()) return;
    run_.current = i;
    std::vector<String> lines = TStrings::SplitLines(mmo2->Text());
    mmo1->SetText(JoinLines(QuestionLines(lines, run_, i)));
    WhoSelect(run_.AnswerOf(i));
}

void TForm3::lst1Click(TObject*) { SelectQuest(); }

void TForm3::WhoSelect(wchar_t letter)
{
    for (TPanel* p : {btn1, btn2, btn3, btn4, btn5}) {
        String c = p->Caption();
        p->SetColor(letter != 0 && !c.empty() && c[0] == letter ? clMenuHighlight : cl3DDkShadow);
    }
}

void TForm3::btn1Click(TObject* sender)
{
    auto* p = dynamic_cast<TPanel*>(sender);
    if (!p || p->Caption().empty()) return;
    ClickButton(p->Caption()[0]);
}

void TForm3::ClickButton(wchar_t letter)
{
    // Only while a question is on screen (not in set-up, not under the report).
    int q = run_.QuestionCount();
    if (!pnl2->Enabled() || mmo3->Visible() || run_.current < 0 || run_.current >= q) return;
    int cur = run_.current;
    if (!run_.Answer(cur, letter)) return;
    String item = lst1->Items().Get(cur);
    String marked = MarkAnswered(item);
    if (marked != item) lst1->Items().Put(cur, marked);
    if (cur < q - 1) NextQuest(cur + 1);
}

void TForm3::btn7Click(TObject*) { QuestEnd(); }

void TForm3::QuestEnd() { QuestEndAt(DateToStr(), TimeToStr()); }

String TForm3::ReportsFolder() const { return base_ + subject_ + L"\\Тесты\\Отчеты\\"; }

void TForm3::QuestEndAt(const String& date, const String& time)
{
    if (run_.keys.empty() || mmo3->Visible()) return;   // no test is running
    mmo3->Clear();
    mmo3->Show();
    ReportInput in{name_, group_, subject_, variant_, date, time, DecimalSeparator()};
    mmo3->SetText(JoinLines(BuildReportLines(in, run_)));
    mmo3->SetBounds(0, 0, ClientWidth(), ClientHeight());
    mmo3->BringToFront();
    btn8->Show();
    btn9->Show();
    btn8->BringToFront();
    btn9->BringToFront();
    String folder = base_ + subject_ + L"\\Тесты\\Отчеты";
    if (!DirectoryExists(folder)) CreateDir(folder);
    SaveReport(0);
}

void TForm3::SaveReport(int number)
{
    lastReport_.clear();
    String folder = ReportsFolder();
    int n = FirstFreeReportNumber(
        folder, name_, [](const String& f) { return FileExists(f) || DirectoryExists(f); }, number);
    if (n < 0)
        throw Exception(L"Отчет не сохранен: у \"" + name_ + L"\" по предмету \"" + subject_ +
                        L"\" уже есть отчеты с номерами от 0 до " + IntToStr(kMaxReportNumber) + L".");
    String file = ReportFileName(folder, name_, n);
    SaveDocumentFile(file, StringToAnsi(mmo3->Text()));
    lastReport_ = file;
}

void TForm3::btn8Click(TObject*)
{
    mmo3->Hide();
    btn9->Hide();
    btn8->Hide();
    pnl1->Show();
    SetTestControlsEnabled(false);
    mmo1->Clear();
    mmo2->Clear();
    lst1->Clear();
    name_.clear();
    group_.clear();
    subject_.clear();
    variant_.clear();
    edt1->Clear();
    edt2->Clear();
    cbb1->SetItemIndex(0);
    cbb2->SetItemIndex(0);
    run_.Clear();
}

void TForm3::btn9Click(TObject*) { Close(); }

void TForm3::Button1Click(TObject*)
{
    edt1->Clear();
    edt2->Clear();
    cbb1->SetItemIndex(-1);
    cbb2->Clear();
    Close();
}
