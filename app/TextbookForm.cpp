#include "app/TextbookForm.h"

#include <shellapi.h>

#include <algorithm>

#include "app/AppForms.h"
#include "app/ContentContainer.h"
#include "app/ContentStore.h"
#include "app/StartForm.h"
#include "app/TestsForm.h"

TForm2::TShellOpen TForm2::ShellOpen = &ShellExecuteW;

namespace {
const TColor kToolButton = RGBColor(105, 105, 105);
const TColor kCloseButton = RGBColor(205, 92, 92);

TTreeView* MakeTree(TWinControl* parent, const String& name, int left, int top, int width, int height, int fontPx,
                    unsigned style)
{
    auto* tv = new TTreeView(parent);
    tv->SetName(name);
    tv->SetParent(parent);
    tv->SetBounds(left, top, width, height);
    tv->SetReadOnly(true);
    tv->SetBorderStyle(TBorderStyle::bsNone);
    tv->SetColor(cl3DLight);
    tv->Font().Set(L"Times New Roman", fontPx, style, clGray);
    return tv;
}

// A hidden pop-up list: a dark panel with a tree and an "x" panel.
TPanel* MakeListPanel(TWinControl* parent, const String& name, const String& treeName, const String& closeName,
                      TTreeView*& tree, TPanel*& close)
{
    TPanel* p = MakePlainPanel(parent, name, 0, 0, 280, 336, cl3DDkShadow);
    p->SetVisible(false);
    tree = MakeTree(p, treeName, 2, 28, 276, 306, 16, 0);
    close = MakeButtonPanel(p, closeName, L"x", 240, 2, 35, 24, kCloseButton, L"Tahoma", 19);
    return p;
}

bool LooksLikeHtml(const std::string& text)
{
    std::string head = text.substr(0, 4096);
    for (auto& c : head) c = char(std::tolower(static_cast<unsigned char>(c)));
    static const char* const tags[] = {"<html", "<!doctype", "<head", "<body", "<p>",  "<p ",   "<br",
                                       "<h1",   "<h2",       "<h3",   "<div",  "<table", "<ul", "<ol",
                                       "<pre",  "<b>",       "<i>",   "<meta", "<title", "<font", "<span"};
    for (const char* t : tags)
        if (head.find(t) != std::string::npos) return true;
    return false;
}
}  // namespace

bool UnpackContainerPage(std::string& bytes)
{
    std::string text;
    try {
        text = UnpackDocument(bytes);
    } catch (const EDocumentTooLarge&) {
        throw;   // a container all the same: the page view shows the error
    } catch (const Exception&) {
        return false;   // a plain page
    }
    if (LooksLikeHtml(text)) {
        bytes = std::move(text);
        return true;
    }
    std::string page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
                       "</head><body><pre>";
    for (char c : text) {
        if (c == '<') page += "&lt;";
        else if (c == '>') page += "&gt;";
        else if (c == '&') page += "&amp;";
        else page += c;
    }
    page += "</pre></body></html>";
    bytes = std::move(page);
    return true;
}

TForm2::TForm2(TComponent* owner) : TForm(owner)
{
    SetName(L"Form2");
    SetCaption(L"Тальвера");
    SetBorderStyle(TFormBorderStyle::bsSingle);
    SetBorderIcons(0);
    SetClientSize(1073, 640);
    TWebBrowser::PageFilter = UnpackContainerPage;

    tv1 = MakeTree(this, L"tv1", 0, 0, 200, 640, 19, fsBold);

    pgc1 = MakePlainPanel(this, L"pgc1", 200, 0, 873, 592, clBtnFace);
    pnl4 = MakePlainPanel(pgc1, L"pnl4", 0, 0, 873, 40, clMenuHighlight);

    addpage = new TLabel(pnl4);
    addpage->SetName(L"addpage");
    addpage->SetParent(pnl4);
    addpage->Font().Set(L"Tahoma", 27, fsBold, clWhite);
    addpage->SetTransparent(true);
    addpage->SetCaption(L"+");
    addpage->SetLeft(0);
    addpage->SetTop(2);
    addpage->SetCursor(crHandPoint);

    pnl1 = MakePlainPanel(this, L"pnl1", 200, 592, 873, 48, clMenuHighlight);
    btn2 = MakeButtonPanel(pnl1, L"btn2", L"Тесты", 8, 4, 185, 40, kToolButton, L"Times New Roman", 16);
    btn3 = MakeButtonPanel(pnl1, L"btn3", L"Видео", 200, 4, 185, 40, kToolButton, L"Times New Roman", 16);
    btn4 = MakeButtonPanel(pnl1, L"btn4", L"Презентации", 392, 4, 185, 40, kToolButton, L"Times New Roman", 16);
    btn6 = MakeButtonPanel(pnl1, L"btn6", L"Обновить", 688, 4, 81, 40, kToolButton, L"Times New Roman", 16);
    Button1 = MakeButtonPanel(pnl1, L"Button1", L"Выход", 784, 4, 81, 40, kToolButton, L"Times New Roman", 16);
    btn6->SetAnchors(akTop | akRight);
    Button1->SetAnchors(akTop | akRight);

    pnl2 = MakeListPanel(this, L"pnl2", L"tv2", L"pnl6", tv2, pnl6);
    pnl3 = MakeListPanel(this, L"pnl3", L"tv3", L"pnl5", tv3, pnl5);

    tv1->OnClick = TNotifyEvent(this, &TForm2::tv1Click);
    tv2->OnClick = TNotifyEvent(this, &TForm2::tv2Click);
    tv3->OnClick = TNotifyEvent(this, &TForm2::tv3Click);
    addpage->OnClick = TNotifyEvent(this, &TForm2::addpageClick);
    btn2->OnClick = TNotifyEvent(this, &TForm2::btn2Click);
    btn3->OnClick = TNotifyEvent(this, &TForm2::btn3Click);
    btn4->OnClick = TNotifyEvent(this, &TForm2::btn4Click);
    btn6->OnClick = TNotifyEvent(this, &TForm2::btn6Click);
    Button1->OnClick = TNotifyEvent(this, &TForm2::Button1Click);
    pnl6->OnClick = TNotifyEvent(this, &TForm2::pnl6Click);
    pnl5->OnClick = TNotifyEvent(this, &TForm2::pnl5Click);
    OnCreate = TNotifyEvent(this, &TForm2::FormCreate);
    OnShow = TNotifyEvent(this, &TForm2::FormShow);
    OnClose = TCloseEvent(this, &TForm2::FormClose);
}

void TForm2::FormCreate(TObject*)
{
    base = AppFolder() + L"Content\\";
    LoadInTree();
}

void TForm2::FillTree(TTreeView* tree, const String& innerPattern)
{
    // Subjects open, so that every chapter is one click away; they are made
    // open, rather than opened one by one afterwards.
    for (SubjectListing& s : ListSubjects(base, innerPattern, false)) {
        TTreeNode* subject = tree->Items().Add(nullptr, s.subject, true);
        for (String& item : s.items) {
            TTreeNode* n = tree->Items().AddChild(subject, CutAtFirstDot(item));
            fileNames_[n] = item;
        }
    }
}

void TForm2::LoadInTree()
{
    FillTree(tv1, L"\\*.html");
    LoadInSTree();
}

void TForm2::LoadInSTree()
{
    FillTree(tv2, L"\\Презентации\\*.*");
    LoadInTTree();
}

void TForm2::LoadInTTree() { FillTree(tv3, L"\\Видео\\*.*"); }

void TForm2::btn6Click(TObject*)
{
    tv1->Items().Clear();
    tv2->Items().Clear();
    tv3->Items().Clear();
    fileNames_.clear();
    LoadInTree();
}

void TForm2::FormShow(TObject*)
{
    FillWorkArea(this);
    const int W = ClientWidth(), H = ClientHeight();
    tv1->SetBounds(0, 0, tv1->Width(), H);
    pgc1->SetBounds(tv1->Width(), 0, W - tv1->Width(), H - pnl1->Height());
    pnl4->SetWidth(pgc1->Width());
    pnl1->SetBounds(pgc1->Left(), H - pnl1->Height(), pgc1->Width(), pnl1->Height());
    // Half the parent's height minus half the button's, rounded.
    const int top = int(pnl1->Height() / 2.0 - btn2->Height() / 2.0 + 0.5);
    btn2->SetTop(top);
    btn3->SetTop(top);
    btn4->SetTop(top);
    btn6->SetTop(top);
    Button1->SetTop(top);
    pnl2->SetTop(pnl1->Top() - pnl2->Height());
    pnl2->SetLeft(pgc1->Left() + btn4->Left());
    pnl3->SetTop(pnl2->Top());
    pnl3->SetLeft(pgc1->Left() + btn3->Left());
    capacity = std::min(pnl4->Width() / TabWidth, MaxTabs);
    // Tabs keep their slots and the pages fill the page area whatever the
    // previous showing's size was.
    for (int i = 0; i < count; ++i)
        if (pages[i]) {
            PlaceTab(pages[i], i);
            if (TWebBrowser* b = pages[i]->GetBros()) b->SetBounds(0, 40, pgc1->Width(), pgc1->Height() - 40);
        }
    addpage->SetLeft(count * TabWidth);
}

void TForm2::PlaceTab(TmyTabPanel* tab, int slot)
{
    tab->SetTag(slot);
    if (tab->CloseLabel()) tab->CloseLabel()->SetTag(slot);
    tab->SetBounds(slot * TabWidth, 0, TabWidth, 40);
}

void TForm2::addpageClick(TObject*) { NewPage(); }

TmyTabPanel* TForm2::NewPage()
{
    if (count >= capacity) return nullptr;
    addpage->SetLeft(addpage->Left() + TabWidth);
    auto* tab = new TmyTabPanel(pnl4);
    tab->SetParent(pnl4);
    ++count;
    tab->Font().SetColor(clWhite);
    tab->SetBevelOuter(TBevelCut::bvNone);
    tab->SetCaption(L"Новая вкладка");
    tab->SetAlignment(TAlignment::taLeftJustify);   // a long chapter name is cut at its end, not at both
    if (current) current->SetColor(cl3DDkShadow);
    current = tab;
    tab->SetColor(clScrollBar);
    tab->SetBounds(count * TabWidth - TabWidth, 0, TabWidth, 40);
    tab->SetTag(count - 1);
    tab->Start();
    pages[count - 1] = tab;
    tab->OnClick = TNotifyEvent(this, &TForm2::PClick);
    tab->CloseLabel()->OnMouseUp = TMouseEvent(this, &TForm2::Tabclose);

    auto* browser = new TWebBrowser(pgc1);
    browser->SetParent(pgc1);
    browser->SetBounds(0, 40, pgc1->Width(), pgc1->Height() - 40);
    browser->SetAnchors(akLeft | akTop | akRight | akBottom);
    browser->BringToFront();
    tab->SetBrows(browser);
    return tab;
}

void TForm2::PClick(TObject* sender)
{
    auto* tab = dynamic_cast<TmyTabPanel*>(sender);
    if (!tab || tab == current) return;
    if (current) current->SetColor(cl3DDkShadow);
    current = tab;
    tab->SetColor(clScrollBar);
    if (TWebBrowser* b = tab->GetBros()) b->BringToFront();
}

void TForm2::Tabclose(TObject* sender, TMouseButton, TShiftState, int, int)
{
    // The label belongs to the tab being closed, so the close runs after this
    // handler has returned; a second click meanwhile asks for nothing more.
    auto* label = dynamic_cast<TControl*>(sender);
    auto* tab = label ? dynamic_cast<TmyTabPanel*>(label->Owner()) : nullptr;
    if (!tab || tab->Closing()) return;
    tab->SetClosing();
    PostMessageW(Handle(), CM_CLOSETAB, WPARAM(label->Tag()), LPARAM(tab->Serial()));
}

void TForm2::Dispatch(TMessage& m)
{
    if (m.Msg == CM_CLOSETAB) {
        // The tab is found by its serial number: tabs may have moved since.
        for (int i = 0; i < count; ++i)
            if (pages[i] && pages[i]->Serial() == unsigned(m.LParam)) {
                CloseTab(i);
                break;
            }
        return;
    }
    TForm::Dispatch(m);
}

void TForm2::CloseTab(int i)
{
    if (i < 0 || i >= count || !pages[i]) return;
    TmyTabPanel* tab = pages[i];
    if (tab == current) current = nullptr;
    pages[i] = nullptr;
    Free(tab);
    for (int j = i + 1; j < count; ++j) {
        PlaceTab(pages[j], j - 1);
        pages[j - 1] = pages[j];
    }
    pages[count - 1] = nullptr;
    --count;
    addpage->SetLeft(addpage->Left() - TabWidth);
}

void TForm2::OpenChapter(TmyTabPanel* tab, TTreeNode* node)
{
    tab->SetCaption(node->Text());
    auto it = fileNames_.find(node);
    String file = it != fileNames_.end() ? it->second : node->Text() + L".html";
    tab->GetBros()->Navigate(base + node->Parent()->Text() + L"\\" + file);
}

void TForm2::tv1Click(TObject*)
{
    TTreeNode* node = tv1->Selected();
    if (!node || node->Level() == 0) return;
    if (current) {
        if (current->GetBros()) OpenChapter(current, node);
        return;
    }
    if (TmyTabPanel* tab = NewPage()) OpenChapter(tab, node);
}

void TForm2::OpenWithShell(TTreeView* tree, const String& folderName)
{
    TTreeNode* node = tree->Selected();
    if (!node || node->Level() != 1) return;
    String folder = base + node->Parent()->Text() + L"\\" + folderName + L"\\";
    std::vector<String> found = ListEntries(folder + node->Text() + L".*", false);
    if (found.empty()) return;
    // Two files that differ only after the first dot are listed under one
    // name; the node knows which one it stands for.
    String name = found.front();
    auto it = fileNames_.find(node);
    if (it != fileNames_.end() && std::find(found.begin(), found.end(), it->second) != found.end()) name = it->second;
    String file = folder + name;
    ShellOpen(Handle(), L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TForm2::tv2Click(TObject*) { OpenWithShell(tv2, L"Презентации"); }

void TForm2::tv3Click(TObject*) { OpenWithShell(tv3, L"Видео"); }

static void ToggleList(TPanel* list)
{
    if (list->Visible()) {
        list->Hide();
    } else {
        list->Show();
        list->BringToFront();
    }
}

void TForm2::btn4Click(TObject*) { ToggleList(pnl2); }

void TForm2::btn3Click(TObject*) { ToggleList(pnl3); }

void TForm2::pnl6Click(TObject*) { pnl2->Hide(); }

void TForm2::pnl5Click(TObject*) { pnl3->Hide(); }

void TForm2::btn2Click(TObject*)
{
    Form3->Show();
    Close();
    Form1->Hide();
}

void TForm2::Button1Click(TObject*) { Close(); }

void TForm2::FormClose(TObject*, TCloseAction&)
{
    if (Form1) Form1->Show();
    if (count >= 2)
        while (count > 0) CloseTab(0);
}
