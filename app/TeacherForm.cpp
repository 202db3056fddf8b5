#include "app/TeacherForm.h"

#include <cmath>

#include "app/AppForms.h"
#include "app/ContentContainer.h"
#include "app/ContentStore.h"
#include "app/StartForm.h"
#include "classlib/Dialogs.h"

namespace {
// Size of the window's client area as laid out; the window fills the work
// area when shown and the anchored controls follow.
constexpr int kDesignWidth = 960;
constexpr int kDesignHeight = 640;

struct HotKey {
    int id;
    UINT vk;
};
const HotKey kHotKeys[] = {{hkSelectAll, 'A'}, {hkCopy, 'C'}, {hkPaste, 'V'}, {hkNew, 'N'}, {hkR, 'R'}};

// An editor cannot hold a NUL character; a file shown byte for byte shows
// each NUL as the symbol for null, so nothing after it is lost from view.
// The editor is a plain multi-line edit: setting a text much longer than any
// test or course file takes it many seconds, during which the window does not
// answer (a program file opened by mistake took over 20 s). Longer files are
// refused with an error and the editor keeps what it shows.
constexpr uint64_t kEditorMaxBytes = 128 * 1024;

void CheckEditorSize(const String& fileName, uint64_t size)
{
    if (size > kEditorMaxBytes)
        throw Exception(L"Файл \"" + fileName + L"\" слишком велик для редактора: в нем больше " +
                        IntToStr(int64_t(kEditorMaxBytes / 1024)) + L" КБ.");
}

uint64_t FileSizeOf(const String& fileName)
{
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!GetFileAttributesExW(fileName.c_str(), GetFileExInfoStandard, &a)) return 0;   // the read reports it
    return (uint64_t(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

String BytesAsText(const std::string& bytes)
{
    String text = AnsiToString(bytes);
    for (wchar_t& c : text)
        if (c == L'\0') c = L'\x2400';
    return text;
}

TPanel* SideButton(TWinControl* parent, const String& name, const String& caption, int top, bool bottom)
{
    TPanel* p = MakeButtonPanel(parent, name, caption, 3, top, 121, 31, cl3DDkShadow, L"Tahoma", 13);
    if (bottom) p->SetAnchors(akLeft | akBottom);
    return p;
}

TLabel* PanelLabel(TWinControl* parent, const String& name, const String& caption)
{
    auto* l = new TLabel(parent);
    l->SetName(name);
    l->SetParent(parent);
    l->SetLeft(16);
    l->SetTop(10);
    l->Font().Set(L"Tahoma", 13, fsBold, clWhite);
    l->SetTransparent(true);
    l->SetCaption(caption);
    return l;
}

TPanel* InputPanel(TWinControl* parent, const String& name, int width)
{
    TPanel* p = MakePlainPanel(parent, name, 0, 0, width, 89, cl3DDkShadow);
    p->SetVisible(false);
    return p;
}
}  // namespace

String TestTemplate(int questions)
{
    String t = L"---\r\n";
    for (int i = 1; i <= questions; ++i)
        t += IntToStr(i) + L")\r\nA)\r\nB)\r\nC)\r\nD)\r\nE)\r\n---\r\n";
    return t;
}

TForm5::TForm5(TComponent* owner) : TForm(owner)
{
    SetName(L"Form5");
    SetCaption(L"Преподавательский контроль");
    SetBorderStyle(TFormBorderStyle::bsSingle);
    SetBorderIcons(0);
    // The window exists from the start, so that anchored controls follow
    // every later change of its size.
    HandleNeeded();
    SetClientSize(kDesignWidth, kDesignHeight);

    pgc1 = new TPageControl(this);
    pgc1->SetName(L"pgc1");
    pgc1->SetParent(this);
    pgc1->SetAlign(TAlign::alClient);

    auto page = [this](const String& name, const String& caption) {
        auto* t = new TTabSheet(this);
        t->SetName(name);
        t->SetCaption(caption);
        t->SetPageControl(pgc1);
        return t;
    };
    ts1 = page(L"ts1", L"Редактор");
    ts2 = page(L"ts2", L"Проверка отчетов");
    ts3 = page(L"ts3", L"Справка");

    Button1 = MakeButtonPanel(this, L"Button1", L"Выход", 864, 2, 89, 17, cl3DDkShadow, L"Tahoma", 13);
    Button1->SetAnchors(akTop | akRight);
    Button1->BringToFront();

    // Editor page.
    const int pw = ts1->ClientWidth(), ph = ts1->ClientHeight();
    mmo1 = new TMemo(this);
    mmo1->SetName(L"mmo1");
    mmo1->SetParent(ts1);
    mmo1->SetBorderStyle(TBorderStyle::bsNone);
    mmo1->SetWordWrap(false);
    mmo1->SetScrollBars(TScrollStyle::ssBoth);
    mmo1->Font().Set(L"Times New Roman", 16, 0, clWindowText);
    mmo1->SetBounds(128, 0, pw - 128, ph);
    mmo1->SetAnchors(akLeft | akTop | akRight | akBottom);

    btn3 = SideButton(ts1, L"btn3", L"Создать тест", 10, false);
    btn13 = SideButton(ts1, L"btn13", L"Предмет", 50, false);
    openfile = SideButton(ts1, L"openfile", L"Открыть файл", 466, true);
    btn1 = SideButton(ts1, L"btn1", L"Открыть док", 530, true);
    btn2 = SideButton(ts1, L"btn2", L"Сохранить док", 570, true);

    pnl1 = InputPanel(ts1, L"pnl1", 393);
    lbl1 = PanelLabel(pnl1, L"lbl1", L"Укажите Кол-во вопросов:");
    se1 = new TSpinEdit(this);
    se1->SetName(L"se1");
    se1->SetParent(pnl1);
    se1->SetBounds(16, 44, 121, 24);
    se1->Font().Set(L"Tahoma", 13, 0, clWindowText);
    se1->SetMinValue(1);
    se1->SetMaxValue(200);
    se1->SetValue(30);
    btn4 = MakeButtonPanel(pnl1, L"btn4", L"Создать", 264, 40, 113, 31, clMenuHighlight, L"Tahoma", 13);

    pnl2 = InputPanel(ts1, L"pnl2", 300);
    lbl2 = PanelLabel(pnl2, L"lbl2", L"Укажите название предмета:");
    edt1 = new TEdit(this);
    edt1->SetName(L"edt1");
    edt1->SetParent(pnl2);
    edt1->SetBounds(16, 44, 177, 24);
    edt1->Font().Set(L"Tahoma", 13, 0, clWindowText);
    btn5 = MakeButtonPanel(pnl2, L"btn5", L"Создать", 204, 40, 80, 31, clMenuHighlight, L"Tahoma", 13);

    // Reports page.
    const int rh = ts2->ClientHeight(), rw = ts2->ClientWidth();
    tv1 = new TTreeView(this);
    tv1->SetName(L"tv1");
    tv1->SetParent(ts2);
    tv1->SetReadOnly(true);
    tv1->SetBounds(0, 0, 177, rh);
    tv1->SetAnchors(akLeft | akTop | akBottom);
    tv1->SetColor(cl3DLight);
    tv1->Font().Set(L"Tahoma", 13, fsBold, clGray);

    line1 = MakePlainPanel(ts2, L"line1", 177, 0, 2, rh, cl3DDkShadow);
    line1->SetAnchors(akLeft | akTop | akBottom);

    mmo2 = new TMemo(this);
    mmo2->SetName(L"mmo2");
    mmo2->SetParent(ts2);
    mmo2->SetWordWrap(false);
    mmo2->SetScrollBars(TScrollStyle::ssBoth);
    mmo2->Font().Set(L"Times New Roman", 16, 0, clWindowText);
    mmo2->SetBounds(179, 0, rw - 179, rh);
    mmo2->SetAnchors(akLeft | akTop | akRight | akBottom);

    // Help page.
    wb1 = new TWebBrowser(this);
    wb1->SetName(L"wb1");
    wb1->SetParent(ts3);
    wb1->SetAlign(TAlign::alClient);

    dlgOpen1 = new TOpenDialog(this);
    dlgOpen1->SetName(L"dlgOpen1");
    dlgOpen1->SetFilter(L"изображения(.jpg,.jpeg,.png)|*.png, *.jpg, *.jepg|Все файлы|*.*");
    dlgOpen1->SetFilterIndex(2);
    dlgSave1 = new TSaveDialog(this);
    dlgSave1->SetName(L"dlgSave1");
    dlgSave1->SetFilter(L"Тесты(.txt)|*.txt|Материалы(.html)|*.html");

    pgc1->SetActivePage(ts1);

    btn3->OnClick = TNotifyEvent(this, &TForm5::btn3Click);
    btn4->OnClick = TNotifyEvent(this, &TForm5::btn4Click);
    se1->OnKeyUp = TKeyEvent(this, &TForm5::se1KeyUp);
    btn13->OnClick = TNotifyEvent(this, &TForm5::btn13Click);
    btn5->OnClick = TNotifyEvent(this, &TForm5::btn5Click);
    edt1->OnKeyUp = TKeyEvent(this, &TForm5::edt1KeyUp);
    openfile->OnClick = TNotifyEvent(this, &TForm5::openfileClick);
    btn1->OnClick = TNotifyEvent(this, &TForm5::btn1Click);
    btn2->OnClick = TNotifyEvent(this, &TForm5::btn2Click);
    tv1->OnClick = TNotifyEvent(this, &TForm5::tv1Click);
    ts3->OnShow = TNotifyEvent(this, &TForm5::ts3Show);
    Button1->OnClick = TNotifyEvent(this, &TForm5::Button1Click);
    OnCreate = TNotifyEvent(this, &TForm5::FormCreate);
    OnShow = TNotifyEvent(this, &TForm5::FormShow);
    OnActivate = TNotifyEvent(this, &TForm5::FormActivate);
    OnDeactivate = TNotifyEvent(this, &TForm5::FormDeactivate);
    OnClose = TCloseEvent(this, &TForm5::FormClose);
}

TForm5::~TForm5() { UnregisterHotKeys(); }

void TForm5::FormCreate(TObject*)
{
    path_ = AppFolder();
    dlgOpen1->SetInitialDir(path_ + L"Content\\");
    dlgSave1->SetInitialDir(path_ + L"Content\\");
    LoadReportTree();
}

void TForm5::LoadReportTree()
{
    tv1->Items().Clear();
    for (const SubjectListing& s : ListSubjects(path_ + L"Content\\", L"\\Тесты\\Отчеты\\*", false)) {
        TTreeNode* subject = tv1->Items().Add(nullptr, s.subject);
        for (const String& report : s.items) tv1->Items().AddChild(subject, report);
    }
}

void TForm5::FormShow(TObject*)
{
    FillWorkArea(this);
    // The input panels in the middle of the editor page.
    for (TPanel* p : {pnl1, pnl2})
        p->SetBounds(int(std::lround(ts1->ClientWidth() * 0.5 - p->Width() * 0.5)),
                     int(std::lround(ts1->ClientHeight() * 0.5 - p->Height() * 0.5)), p->Width(), p->Height());
    clipboard_ = std::make_unique<TClipboard>();
    // The hot keys are held only while this window is the active one, so
    // other programs keep their own Ctrl+A, Ctrl+C and Ctrl+V.
    if (Active()) RegisterHotKeys();
}

void TForm5::FormActivate(TObject*)
{
    if (Visible()) RegisterHotKeys();
}

void TForm5::FormDeactivate(TObject*) { UnregisterHotKeys(); }

void TForm5::RegisterHotKeys()
{
    if (hotKeys_ || !HandleAllocated()) return;
    for (const HotKey& k : kHotKeys) RegisterHotKey(Handle(), k.id, MOD_CONTROL, k.vk);
    hotKeys_ = true;
}

void TForm5::UnregisterHotKeys()
{
    if (!hotKeys_) return;
    if (HandleAllocated())
        for (const HotKey& k : kHotKeys) UnregisterHotKey(Handle(), k.id);
    hotKeys_ = false;
}

void TForm5::FormClose(TObject*, TCloseAction&)
{
    UnregisterHotKeys();
    // The rest of the close goes on even if the clipboard cannot be emptied;
    // that failure is shown afterwards.
    String failure;
    try {
        if (clipboard_)
            clipboard_->Clear();
        else
            TClipboard().Clear();
    } catch (const Exception& e) {
        failure = e.Message();
    }
    clipboard_.reset();
    Form1->Show();
    if (!failure.empty()) Application->HandleException(Exception(failure));
}

// The two input panels are centred on the same spot: one prompt at a time, so
// that one never lies half-covered under the other.
void TForm5::btn3Click(TObject*)
{
    pnl2->Hide();
    pnl1->Show();
    pnl1->BringToFront();
    se1->SetFocus();
}

void TForm5::btn4Click(TObject*)
{
    pnl1->Hide();
    mmo1->Clear();
    mmo1->SetText(TestTemplate(se1->Value()));
}

void TForm5::se1KeyUp(TObject*, WORD& key, TShiftState)
{
    if (key == VK_RETURN && btn4->OnClick) btn4->OnClick(btn4);
}

void TForm5::btn13Click(TObject*)
{
    pnl1->Hide();
    pnl2->Show();
    pnl2->BringToFront();
    edt1->SetFocus();
}

void TForm5::btn5Click(TObject*)
{
    // The name becomes a folder of Content; the panel stays for a new try.
    if (String problem = NameProblem(edt1->Text()); !problem.empty()) {
        ShowMessage(problem);
        return;
    }
    CreateSubject(path_, edt1->Text());
    pnl2->Hide();
}

void TForm5::edt1KeyUp(TObject*, WORD& key, TShiftState)
{
    if (key == VK_RETURN && btn5->OnClick) btn5->OnClick(btn5);
}

void TForm5::openfileClick(TObject*)
{
    if (!dlgOpen1->Execute()) return;
    CheckEditorSize(dlgOpen1->FileName(), FileSizeOf(dlgOpen1->FileName()));
    mmo1->SetText(BytesAsText(ReadFileBytes(dlgOpen1->FileName())));
}

void TForm5::btn1Click(TObject*)
{
    if (!dlgOpen1->Execute()) return;
    // Read first: a failed read leaves the editor as it was.
    std::string text = LoadDocumentFile(dlgOpen1->FileName());
    CheckEditorSize(dlgOpen1->FileName(), text.size());
    mmo1->SetText(AnsiToString(text));
}

void TForm5::btn2Click(TObject*)
{
    dlgSave1->SetFilterIndex(1);
    dlgSave1->SetDefaultExt(L".txt");
    if (!dlgSave1->Execute()) return;
    SaveDocumentFile(dlgSave1->FileName(), StringToAnsi(mmo1->Text()));
}

void TForm5::tv1Click(TObject*)
{
    TTreeNode* node = tv1->Selected();
    if (!node || node->Level() != 1) return;
    String file = path_ + L"Content\\" + node->Parent()->Text() + L"\\Тесты\\Отчеты\\" + node->Text();
    std::string text = LoadDocumentFile(file);
    mmo2->SetText(AnsiToString(text));
}

void TForm5::ts3Show(TObject*) { wb1->Navigate(path_ + L"Source\\help.html"); }

void TForm5::Button1Click(TObject*) { Close(); }

void TForm5::WMHotkey(TMessage& m)
{
    switch (int(m.WParam)) {
    case hkSelectAll:
        mmo1->SelectAll();
        break;
    case hkCopy:
        if (Active() && clipboard_) clipboard_->SetTextBuf(mmo1->SelText().c_str());
        break;
    case hkPaste:
        if (clipboard_) mmo1->SetSelText(clipboard_->AsText());
        break;
    default:   // Ctrl+N and Ctrl+R do nothing
        break;
    }
}

void TForm5::Dispatch(TMessage& m)
{
    if (m.Msg == WM_HOTKEY) {
        WMHotkey(m);
        return;
    }
    TForm::Dispatch(m);
}
