#include "tests/skinapp/SkinAppForms.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "classlib/Buttons.h"
#include "classlib/CommonDialogs.h"
#include "classlib/HandleQuery.h"
#include "classlib/ListView.h"
#include "classlib/PageControl.h"
#include "classlib/ScrollBox.h"
#include "classlib/SysUtils.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/FrameAdapter.h"
#include "skin/forms/SkinProvider.h"
#include "skin/forms/TitleBar.h"
#include "skin/forms/Startup.h"
#include "skin/graphics/ClassNameTables.h"
#include "tests/skinapp/Example.h"
#include "tests/skinapp/Probe.h"

namespace {

bool ParseInt(const String& text, int lo, int hi, int& out)
{
    if (text.empty() || text.size() > 6)
        return false;
    size_t i = 0;
    bool negative = text[0] == L'-';
    if (negative)
        i = 1;
    if (i == text.size())
        return false;
    int v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return false;
        v = v * 10 + (text[i] - L'0');
    }
    v = negative ? -v : v;
    if (v < lo || v > hi)
        return false;
    out = v;
    return true;
}

// The program's own icon (its MAINICON resource) at size x size; shared by
// the system for the program's life, never freed.
HICON ProgramIcon(int size)
{
    return HICON(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, LR_SHARED));
}

// A name with a mnemonic letter marked: its first letter or digit that no
// earlier name of the list took (taken grows), else a digit put in front.
String WithMnemonic(const String& name, std::vector<wchar_t>& taken)
{
    auto upper = [](wchar_t c) {
        return wchar_t(reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(ULONG_PTR(c)))));
    };
    for (size_t i = 0; i < name.size(); ++i) {
        const wchar_t c = upper(name[i]);
        if (IsCharAlphaNumericW(name[i]) && std::find(taken.begin(), taken.end(), c) == taken.end()) {
            taken.push_back(c);
            return name.substr(0, i) + L"&" + name.substr(i);
        }
    }
    for (wchar_t d = L'1'; d <= L'9'; ++d)
        if (std::find(taken.begin(), taken.end(), d) == taken.end()) {
            taken.push_back(d);
            return String(L"&") + d + L" " + name;
        }
    return name;
}

TMenuItem* AddItem(TMenuItem* parent, const String& caption, const TNotifyEvent& click = nullptr)
{
    auto* item = new TMenuItem();
    item->SetCaption(caption);
    item->OnClick = click;
    parent->Add(item);
    return item;
}

}  // namespace

String SkinOfItem(const TMenuItem* item)
{
    const String& caption = item->Caption();
    // A digit put in front of the name ("&1 name"), or one '&' inside it.
    if (caption.size() > 3 && caption[0] == L'&' && caption[1] >= L'1' && caption[1] <= L'9' && caption[2] == L' ')
        return caption.substr(3);
    String name;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size() && caption[i + 1] != L'&')
            continue;
        name += caption[i];
        if (caption[i] == L'&') ++i;
    }
    return name;
}

bool ParseSkinAppOptions(const std::vector<String>& args, SkinAppOptions& o, String& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const String& a = args[i];
        if (i + 1 >= args.size()) {
            error = L"unknown switch or missing value: " + a;
            return false;
        }
        const String& v = args[++i];
        if (a == L"--skins")
            o.SkinsDir = v;
        else if (a == L"--skin")
            o.Skin = v;
        else if (a == L"--hue") {
            if (!ParseInt(v, 0, 359, o.Hue)) {
                error = L"--hue takes 0..359";
                return false;
            }
        } else if (a == L"--sat") {
            if (!ParseInt(v, -100, 100, o.Saturation)) {
                error = L"--sat takes -100..100";
                return false;
            }
        } else if (a == L"--show") {
            if (v != L"main" && v != L"mdi" && v != L"example") {
                error = L"--show takes main, mdi or example";
                return false;
            }
            o.Show = v;
        } else if (a == L"--shot")
            o.Shot = v;
        else if (a == L"--fault") {
            if (!ParsePlantedFault(v, o.Fault)) {
                error = L"--fault takes leak or hang:N";
                return false;
            }
        }
        else {
            error = L"unknown switch: " + a;
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------- the stand-ins

TSkinAppVirtualTree::TSkinAppVirtualTree(TComponent* owner) : TCustomControl(owner) { SetColor(clWindow); }

void TSkinAppVirtualTree::CreateParams(TCreateParams& params)
{
    TCustomControl::CreateParams(params);
    params.Style |= WS_VSCROLL;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TSkinAppVirtualTree::HandleCreated()
{
    TCustomControl::HandleCreated();
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE, 0, int(Rows.size()) * 16, 100, 0, 0};
    SetScrollInfo(handle_, SB_VERT, &si, FALSE);
}

void TSkinAppVirtualTree::Paint()
{
    RECT r = ClientRect();
    Canvas().Brush().SetColor(Color());
    Canvas().FillRect(r);
    SetBkMode(Canvas().Handle(), TRANSPARENT);
    SetTextColor(Canvas().Handle(), ColorToRGB(Font().Color()));
    int y = 2;
    for (size_t i = 0; i < Rows.size() && y < r.bottom; ++i, y += 16) {
        RECT line{i ? 20 : 4, y, r.right, y + 16};
        DrawTextW(Canvas().Handle(), Rows[i].c_str(), int(Rows[i].size()), &line, DT_SINGLELINE | DT_NOPREFIX);
    }
}

void GiveProgramIcon(TCustomForm* form)
{
    if (!form || !form->HandleAllocated())
        return;
    SendMessageW(form->Handle(), WM_SETICON, ICON_SMALL, LPARAM(ProgramIcon(GetSystemMetrics(SM_CXSMICON))));
    SendMessageW(form->Handle(), WM_SETICON, ICON_BIG, LPARAM(ProgramIcon(GetSystemMetrics(SM_CXICON))));
}

// ---------------------------------------------------------------- the main form

TSkinAppMain::TSkinAppMain(TComponent* owner) : TForm(owner)
{
    SetName(L"SkinAppMain");
    SetCaption(L"Skinned controls");
    SetBounds(20, 20, 1000, 640);

    // The manager first: the form's provider and every wrapper ask it. It
    // stays inactive until Start names the skins.
    Skins = new TsSkinManager(this);
    Skins->SetActive(false);
    // Classes of ours stand in the lists of the other packages.
    Skins->ThirdParty.SetList(tpWWEdit, L"TSkinAppLookupCombo");
    Skins->ThirdParty.SetList(tpGridEh, L"TSkinAppGridEh");
    Skins->ThirdParty.SetList(tpVirtualTree, L"TSkinAppVirtualTree");
    Skins->UpdateThirdPartyLists(false);
    Skins->OnAfterChange = TNotifyEvent(this, &TSkinAppMain::SkinAfterChange);
    Skins->OnActivate = TNotifyEvent(this, &TSkinAppMain::SkinAfterChange);
    Skins->OnDeactivate = TNotifyEvent(this, &TSkinAppMain::SkinAfterChange);

    recolour_ = new TTimer(this);
    recolour_->SetEnabled(false);
    recolour_->SetInterval(250);
    recolour_->SetOnTimer(TNotifyEvent(this, &TSkinAppMain::RecolourTimer));

    BuildMenus();
    BuildControls();
    BuildTitleBar();
    Provider = TsSkinProvider::Create(this);
    Provider->MakeSkinMenu = true;   // the system menu lists the skins too
}

void TSkinAppMain::HandleCreated()
{
    TForm::HandleCreated();
    GiveProgramIcon(this);
}

void TSkinAppMain::BuildTitleBar()
{
    TitleBar = new TsTitleBar(this);
    TitleBar->SetShowCaption(true);
    TkvTitleBarItem* skins = TitleBar->Items().Add();
    skins->SetStyle(TkvBtnStyle::bsMenu);
    skins->SetCaption(L"Skins");
    skins->DropdownMenu = skinsPopup_;
    TkvTitleBarItem* mdi = TitleBar->Items().Add();
    mdi->SetCaption(L"MDI form");
    mdi->OnClick = TNotifyEvent(this, &TSkinAppMain::MDIClick);
}

void TSkinAppMain::Start(const SkinAppOptions& options)
{
    options_ = options;
    Skins->SetSkinDirectory(options_.SkinsDir.empty() ? ProgramFolder() + L"Skins" : options_.SkinsDir);
    FillSkinChoices();
    Skins->SetHueOffset(options_.Hue);
    Skins->SetSaturation(options_.Saturation);
    syncing_ = true;
    HueBar->SetPosition(options_.Hue);
    SaturationBar->SetPosition(options_.Saturation);
    syncing_ = false;
    ChooseSkin(options_.Skin);
}

TSkinAppMain::~TSkinAppMain()
{
    // The manager was made first, so it is freed last, after the chooser and
    // the menu: what it tells on its way out must not reach them.
    Skins->OnAfterChange = nullptr;
    Skins->OnActivate = nullptr;
    Skins->OnDeactivate = nullptr;
    SetMenu(nullptr);
}

void TSkinAppMain::BuildMenus()
{
    MainMenu = new TMainMenu(this);
    TMenuItem* root = MainMenu->Items();
    TMenuItem* file = AddItem(root, L"&File");
    struct Command {
        const wchar_t* caption;
        void (TSkinAppMain::*click)(TObject*);
        WORD key;   // with Ctrl
    };
    const Command commands[] = {
        {L"&Open file...", &TSkinAppMain::OpenFileClick, 'O'},
        {L"&Message box", &TSkinAppMain::MessageClick, 'B'},
        {L"MDI &form", &TSkinAppMain::MDIClick, 'D'},
        {L"&Example form", &TSkinAppMain::ExampleClick, 'E'},
    };
    for (const Command& c : commands)
        AddItem(file, c.caption, TNotifyEvent(this, c.click))->SetShortCut(ShortCut(c.key, ssCtrl));
    AddItem(file, L"-");
    AddItem(file, L"E&xit", TNotifyEvent(this, &TSkinAppMain::ExitClick));
    skinMenu_ = AddItem(root, L"&Skin");
    TMenuItem* help = AddItem(root, L"&Help");
    AddItem(help, L"&About", TNotifyEvent(this, &TSkinAppMain::MessageClick))->SetShortCut(ShortCut(VK_F1, 0));
    SetMenu(MainMenu);

    skinsPopup_ = new TPopupMenu(this);
    Popup = new TPopupMenu(this);
    AddItem(Popup->Items(), L"&Copy");
    AddItem(Popup->Items(), L"&Paste");
    AddItem(Popup->Items(), L"-");
    TMenuItem* checked = AddItem(Popup->Items(), L"C&hecked");
    checked->SetChecked(true);
    TMenuItem* disabled = AddItem(Popup->Items(), L"&Disabled");
    disabled->SetEnabled(false);
    TMenuItem* more = AddItem(Popup->Items(), L"&More");
    AddItem(more, L"&First");
    AddItem(more, L"&Second");
}

void TSkinAppMain::Place(TControl* c, TWinControl* parent, int x, int y, int w, int h, int list)
{
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    if (list >= 0)
        listed_.push_back({c, list});
}

void TSkinAppMain::BuildControls()
{
    auto* tools = new TToolBar(this);
    tools->SetParent(this);
    tools->SetAlign(TAlign::alTop);
    tools->SetShowCaptions(true);
    tools->AddButton(L"New");
    tools->AddButton(L"Open");
    tools->AddButton(L"", TToolButtonStyle::tbsSeparator);
    tools->AddButton(L"Bold", TToolButtonStyle::tbsCheck);
    listed_.push_back({tools, tpToolBar});

    Status = new TStatusBar(this);
    Status->SetParent(this);
    Status->SetAlign(TAlign::alBottom);
    Status->SetSimplePanel(true);
    listed_.push_back({Status, tpStatusBar});

    const int top = 40;
    // Row 1: edits and lists, combo boxes, buttons, check and radio buttons.
    auto* edit = new TEdit(this);
    Place(edit, this, 10, top, 120, 22, tpEdit);
    edit->SetText(L"An edit");
    auto* memo = new TMemo(this);
    Place(memo, this, 140, top, 120, 64, tpEdit);
    memo->Lines().Add(L"A memo");
    memo->Lines().Add(L"of three");
    memo->Lines().Add(L"lines");
    auto* list = new TListBox(this);
    Place(list, this, 270, top, 120, 64, tpEdit);
    for (const wchar_t* s : {L"One", L"Two", L"Three", L"Four", L"Five", L"Six"})
        list->Items().Add(s);
    auto* combo = new TComboBox(this);
    Place(combo, this, 400, top, 130, 24, tpComboBox);
    for (const wchar_t* s : {L"Apples", L"Pears", L"Plums"})
        combo->Items().Add(s);
    combo->SetItemIndex(0);
    auto* lookup = new TSkinAppLookupCombo(this);
    Place(lookup, this, 400, top + 34, 130, 24, tpWWEdit);
    lookup->Items().Add(L"Lookup combo");
    lookup->SetItemIndex(0);
    auto* button = new TButton(this);
    Place(button, this, 540, top, 100, 26, tpButton);
    button->SetCaption(L"Button");
    auto* bitbtn = new TBitBtn(this);
    Place(bitbtn, this, 540, top + 34, 100, 26, tpBitBtn);
    bitbtn->SetCaption(L"Bit button");
    auto* check = new TCheckBox(this);
    Place(check, this, 650, top, 110, 20, tpCheckBox);
    check->SetCaption(L"Check box");
    check->SetChecked(true);
    auto* radio = new TRadioButton(this);
    Place(radio, this, 650, top + 34, 110, 20, tpCheckBox);
    radio->SetCaption(L"Radio button");

    // Row 2: containers.
    const int row2 = top + 76;
    auto* group = new TGroupBox(this);
    Place(group, this, 10, row2, 130, 90, tpGroupBox);
    group->SetCaption(L"Group box");
    auto* inGroup = new TCheckBox(this);
    Place(inGroup, group, 10, 24, 100, 20, tpCheckBox);
    inGroup->SetCaption(L"Inside");
    auto* radios = new TRadioGroup(this);
    Place(radios, this, 150, row2, 130, 90, tpGroupBox);
    radios->SetCaption(L"Radio group");
    radios->SetItems({L"First", L"Second", L"Third"});
    radios->SetItemIndex(1);
    auto* panel = new TPanel(this);
    Place(panel, this, 290, row2, 110, 90, tpPanel);
    panel->SetCaption(L"Panel");
    auto* pages = new TPageControl(this);
    Place(pages, this, 410, row2, 170, 90, tpPageControl);
    for (const wchar_t* caption : {L"Page one", L"Page two"}) {
        auto* sheet = new TTabSheet(this);
        sheet->SetCaption(caption);
        sheet->SetPageControl(pages);
    }
    auto* tabs = new TTabControl(this);
    Place(tabs, this, 590, row2, 170, 90, tpTabControl);
    tabs->SetTabs({L"Tab A", L"Tab B", L"Tab C"});

    // Row 3: views.
    const int row3 = row2 + 100;
    auto* view = new TListView(this);
    Place(view, this, 10, row3, 190, 120, tpListView);
    view->SetViewStyle(TViewStyle::vsReport);
    view->AddColumn(L"Name", 90);
    view->AddColumn(L"Size", 60);
    for (int i = 1; i <= 8; ++i) {
        TListItem* item = view->AddItem(L"File " + std::to_wstring(i));
        item->SubItems().push_back(std::to_wstring(i * 12) + L" KB");
    }
    auto* tree = new TTreeView(this);
    Place(tree, this, 210, row3, 140, 120, tpTreeView);
    TTreeNode* rootNode = tree->Items().Add(nullptr, L"Tree", true);
    for (const wchar_t* s : {L"Leaf one", L"Leaf two", L"Leaf three"})
        tree->Items().AddChild(rootNode, s);
    auto* vtree = new TSkinAppVirtualTree(this);
    vtree->Rows.push_back(L"Virtual tree");
    for (int i = 1; i <= 10; ++i)
        vtree->Rows.push_back(L"Node " + std::to_wstring(i));
    Place(vtree, this, 360, row3, 140, 120, tpVirtualTree);
    auto* grid = new TStringGrid(this);
    Place(grid, this, 510, row3, 250, 120, tpGrid);
    grid->SetColCount(5);
    grid->SetRowCount(8);
    for (int c = 1; c < 5; ++c)
        grid->SetCells(c, 0, String(1, wchar_t(L'A' + c - 1)));
    for (int r = 1; r < 8; ++r)
        grid->SetCells(0, r, std::to_wstring(r));

    // Row 4: the extended grid, a scroll box, bars, small controls and a frame.
    const int row4 = row3 + 130;
    auto* gridEh = new TSkinAppGridEh(this);
    Place(gridEh, this, 10, row4, 190, 110, tpGridEh);
    gridEh->SetColCount(4);
    gridEh->SetRowCount(6);
    gridEh->SetCells(1, 0, L"Extended");
    auto* scroll = new TScrollBox(this);
    Place(scroll, this, 210, row4, 140, 110, tpScrollControl);
    auto* inside = new TPanel(this);
    Place(inside, scroll, 10, 10, 220, 200, tpPanel);
    scroll->UpdateScrollBars();
    inside->SetCaption(L"Scrolled");
    auto* bar = new TScrollBar(this);
    Place(bar, this, 360, row4, 150, 18, tpScrollBar);
    auto* updown = new TUpDown(this);
    Place(updown, this, 360, row4 + 28, 18, 24, tpUpDown);
    auto* statik = new TStaticText(this);
    Place(statik, this, 390, row4 + 30, 110, 20, tpStaticText);
    statik->SetCaption(L"Static text");
    auto* speed = new TSpeedButton(this);
    Place(speed, this, 360, row4 + 62, 70, 26, tpSpeedButton);
    speed->SetCaption(L"Speed");
    speed->SetFlat(true);
    auto* label = new TLabel(this);
    Place(label, this, 440, row4 + 66, 100, 18);
    label->SetCaption(L"A label (plain)");

    Frame = new TFrame(this);
    Place(Frame, this, 510, row4, 250, 110);
    Frame->SetName(L"Frame1");
    FrameAdapter = TsFrameAdapter::Create(Frame);
    auto* frameLabel = new TLabel(Frame);
    Place(frameLabel, Frame, 10, 10, 200, 18);
    frameLabel->SetCaption(L"A frame with its adapter");
    auto* frameEdit = new TEdit(Frame);
    Place(frameEdit, Frame, 10, 34, 160, 22, tpEdit);
    frameEdit->SetText(L"Edit on the frame");
    auto* frameButton = new TButton(Frame);
    Place(frameButton, Frame, 10, 66, 120, 26, tpButton);
    frameButton->SetCaption(L"On the frame");

    BuildSkinPanel(this, 780, top);
}

void TSkinAppMain::BuildSkinPanel(TWinControl* parent, int x, int y)
{
    auto* caption = new TLabel(this);
    caption->SetCaption(L"Skin:");
    Place(caption, parent, x, y + 4, 190, 18);
    SkinCombo = new TComboBox(this);
    SkinCombo->SetStyle(TComboBoxStyle::csDropDownList);
    Place(SkinCombo, parent, x, y + 22, 190, 24, tpComboBox);
    SkinCombo->OnChange = TNotifyEvent(this, &TSkinAppMain::SkinComboChange);

    auto* hue = new TLabel(this);
    hue->SetCaption(L"Hue:");
    Place(hue, parent, x, y + 56, 190, 18);
    HueBar = new TTrackBar(this);
    HueBar->SetRange(0, 359);
    HueBar->SetFrequency(30);
    Place(HueBar, parent, x, y + 74, 190, 30);
    HueBar->OnChange = TNotifyEvent(this, &TSkinAppMain::SliderChange);
    auto* sat = new TLabel(this);
    sat->SetCaption(L"Saturation:");
    Place(sat, parent, x, y + 110, 190, 18);
    SaturationBar = new TTrackBar(this);
    SaturationBar->SetRange(-100, 100);
    SaturationBar->SetFrequency(20);
    Place(SaturationBar, parent, x, y + 128, 190, 30);
    SaturationBar->OnChange = TNotifyEvent(this, &TSkinAppMain::SliderChange);

    struct B {
        TButton** field;
        const wchar_t* caption;
        void (TSkinAppMain::*click)(TObject*);
    };
    const B buttons[] = {
        {&MessageButton, L"Message box", &TSkinAppMain::MessageClick},
        {&OpenFileButton, L"Open file...", &TSkinAppMain::OpenFileClick},
        {&PopupButton, L"Popup menu", &TSkinAppMain::PopupClick},
        {&MDIButton, L"MDI form", &TSkinAppMain::MDIClick},
        {&ExampleButton, L"Example form", &TSkinAppMain::ExampleClick},
    };
    int by = y + 176;
    for (const B& b : buttons) {
        *b.field = new TButton(this);
        (*b.field)->SetCaption(b.caption);
        (*b.field)->OnClick = TNotifyEvent(this, b.click);
        Place(*b.field, parent, x, by, 190, 28, tpButton);
        by += 36;
    }
}

std::vector<String> TSkinAppMain::SkinNames() const
{
    std::vector<String> names{kNoSkin};
    TStringList list;
    Skins->ListSkins(list, 2);
    for (int i = 0; i < list.Count(); ++i)
        if (std::find(names.begin(), names.end(), list[i]) == names.end())
            names.push_back(list[i]);
    return names;
}

void TSkinAppMain::FillSkinChoices()
{
    SkinCombo->Items().Clear();
    skinMenu_->Clear();
    skinsPopup_->Items()->Clear();
    std::vector<wchar_t> taken;
    for (const String& name : SkinNames()) {
        SkinCombo->Items().Add(name);
        const String caption = WithMnemonic(name, taken);
        for (TMenuItem* parent : {skinMenu_, skinsPopup_->Items()}) {
            TMenuItem* item = AddItem(parent, caption, TNotifyEvent(this, &TSkinAppMain::SkinMenuClick));
            item->SetRadioItem(true);
            item->SetGroupIndex(1);
        }
    }
}

String TSkinAppMain::ChosenSkin() const
{
    return Skins->Active() && Skins->SkinData().Active ? Skins->SkinName() : String(kNoSkin);
}

void TSkinAppMain::ChooseSkin(const String& name)
{
    if (name == kNoSkin || name.empty()) {
        Skins->SetActive(false);
    } else if (!Skins->Active()) {
        Skins->SetSkinName(name);
        Skins->SetActive(true);
    } else {
        Skins->SetSkinName(name);
    }
    SkinAfterChange(nullptr);
}

void TSkinAppMain::SetHue(int degrees)
{
    syncing_ = true;
    HueBar->SetPosition(degrees);
    syncing_ = false;
    Skins->SetHueOffset(degrees);
    UpdateStatus();
}

void TSkinAppMain::SetSaturation(int change)
{
    syncing_ = true;
    SaturationBar->SetPosition(change);
    syncing_ = false;
    Skins->SetSaturation(change);
    UpdateStatus();
}

void TSkinAppMain::SkinAfterChange(TObject*)
{
    if (!SkinCombo)
        return;
    syncing_ = true;
    const String chosen = ChosenSkin();
    const auto& items = SkinCombo->Items();
    for (int i = 0; i < items.Count(); ++i)
        if (items[i] == chosen)
            SkinCombo->SetItemIndex(i);
    for (TMenuItem* menu : {skinMenu_, skinsPopup_->Items()})
        for (int i = 0; i < menu->Count(); ++i)
            menu->Items(i)->SetChecked(SkinOfItem(menu->Items(i)) == chosen);
    syncing_ = false;
    UpdateStatus();
}

void TSkinAppMain::UpdateStatus()
{
    // The soak compares the handles it counts within one skin: each keeps its own caches.
    const String chosen = Skins ? ChosenSkin() : String(kNoSkin);
    SetLiveHandlesState(chosen == kNoSkin ? 0 : LRESULT(std::hash<String>{}(chosen) & 0x3FFFFFFF) + 1);
    if (Status && Skins)
        Status->SetSimpleText(L"Skin: " + ChosenSkin() + L"    Hue: " + std::to_wstring(Skins->HueOffset()) +
                              L"    Saturation: " + std::to_wstring(Skins->Saturation()));
}

void TSkinAppMain::SkinComboChange(TObject*)
{
    if (syncing_)
        return;
    int i = SkinCombo->ItemIndex();
    if (i >= 0)
        ChooseSkin(SkinCombo->Items()[i]);
}

void TSkinAppMain::SkinMenuClick(TObject* sender)
{
    if (auto* item = dynamic_cast<TMenuItem*>(sender))
        ChooseSkin(SkinOfItem(item));
}

// Every step of a slider would reload and repaint the skin; the change is
// made once the slider has rested for a moment.
void TSkinAppMain::SliderChange(TObject*)
{
    if (syncing_)
        return;
    recolour_->SetEnabled(false);
    recolour_->SetEnabled(true);
}

void TSkinAppMain::RecolourTimer(TObject*)
{
    recolour_->SetEnabled(false);
    Skins->SetHueOffset(HueBar->Position());
    Skins->SetSaturation(SaturationBar->Position());
    UpdateStatus();
}

void TSkinAppMain::MessageClick(TObject*)
{
    Application->MessageBox(L"A message box, skinned with the form.", L"Skinned controls", MB_OK | MB_ICONINFORMATION);
}

void TSkinAppMain::OpenFileClick(TObject*)
{
    TOpenDialog dialog(nullptr);
    dialog.SetTitle(L"Open a file");
    dialog.SetFilter(L"All files|*.*");
    if (dialog.Execute())
        Status->SetSimpleText(L"Chosen: " + dialog.FileName());
}

void TSkinAppMain::PopupClick(TObject*)
{
    POINT p = PopupButton->ClientToScreen(POINT{0, PopupButton->Height()});
    Popup->PopupComponent = PopupButton;
    Popup->Popup(p.x, p.y);
}

void TSkinAppMain::MDIClick(TObject*) { ShowMDIForm(); }
void TSkinAppMain::ExampleClick(TObject*) { ShowExampleForm(); }
void TSkinAppMain::ExitClick(TObject*) { Close(); }

namespace {

// Shows a form in front, restored if it was minimised: showing a form that is
// already visible leaves it minimised, and the user would see nothing happen.
// The restore goes through the system command, so the skin's restore
// animation plays as it does for the title button.
void BringUp(TForm* form)
{
    form->Show();
    if (IsIconic(form->Handle()))
        SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    BringWindowToTop(form->Handle());
}

}  // namespace

TSkinAppMDI* TSkinAppMain::ShowMDIForm()
{
    if (!mdi_) {
        mdi_ = new TSkinAppMDI(this);
        mdi_->NewChild();
        mdi_->NewChild();
    }
    BringUp(mdi_);
    return mdi_;
}

TForm* TSkinAppMain::ShowExampleForm()
{
    if (!example_)
        example_ = CreateExampleForm(this);   // given no icon: its skinned title shows the program's
    BringUp(example_);
    return example_;
}

bool TSkinAppMain::SaveWindowShot(TCustomForm* form, const String& file)
{
    RECT r{};
    if (!form || !form->HandleAllocated() || !GetWindowRect(form->Handle(), &r))
        return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;   // bottom-up, as the file stores it
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (dib && bits) {
        HGDIOBJ old = SelectObject(mem, dib);
        BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        SelectObject(mem, old);
        const DWORD stride = DWORD((w * 3 + 3) & ~3);
        const DWORD size = stride * DWORD(h);
        BITMAPFILEHEADER fh{};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
        fh.bfSize = fh.bfOffBits + size;
        HANDLE f = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f != INVALID_HANDLE_VALUE) {
            DWORD n1 = 0, n2 = 0, n3 = 0;
            ok = WriteFile(f, &fh, sizeof fh, &n1, nullptr) && WriteFile(f, &bi.bmiHeader, sizeof bi.bmiHeader, &n2, nullptr) &&
                 WriteFile(f, bits, size, &n3, nullptr) && n3 == size;
            CloseHandle(f);
        }
    }
    if (dib)
        DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

// ---------------------------------------------------------------- the MDI form

TSkinAppMDI::TSkinAppMDI(TComponent* owner) : TForm(owner)
{
    SetName(L"SkinAppMDI");
    SetCaption(L"MDI main form");
    SetFormStyle(TFormStyle::fsMDIForm);
    SetBounds(80, 80, 640, 460);
    menu_ = new TMainMenu(this);
    TMenuItem* file = AddItem(menu_->Items(), L"&File");
    AddItem(file, L"&New child", TNotifyEvent(this, &TSkinAppMDI::NewClick))->SetShortCut(ShortCut('N', ssCtrl));
    TMenuItem* window = AddItem(menu_->Items(), L"&Window");
    AddItem(window, L"&Tile", TNotifyEvent(this, &TSkinAppMDI::TileClick));
    AddItem(window, L"&Cascade", TNotifyEvent(this, &TSkinAppMDI::CascadeClick));
    SetMenu(menu_);
    HandleNeeded();
    SetWindowMenu(window->Handle());
    Provider = TsSkinProvider::Create(this);
}

void TSkinAppMDI::HandleCreated()
{
    TForm::HandleCreated();
    GiveProgramIcon(this);
}

TForm* TSkinAppMDI::NewChild()
{
    auto* child = new TForm(this);
    ++made_;
    child->SetFormStyle(TFormStyle::fsMDIChild);
    child->SetCaption(L"Child " + std::to_wstring(made_));
    child->SetBounds(10 + 30 * (made_ - 1), 10 + 30 * (made_ - 1), 280, 180);
    auto* memo = new TMemo(child);
    memo->SetParent(child);
    memo->SetAlign(TAlign::alClient);
    memo->Lines().Add(L"The text of child " + std::to_wstring(made_));
    TsSkinProvider::Create(child);
    child->OnClose = TCloseEvent(this, &TSkinAppMDI::ChildClose);
    child->HandleNeeded();
    GiveProgramIcon(child);
    child->Show();
    return child;
}

void TSkinAppMDI::ChildClose(TObject*, TCloseAction& action) { action = TCloseAction::caFree; }
void TSkinAppMDI::NewClick(TObject*) { NewChild(); }
void TSkinAppMDI::TileClick(TObject*) { SendMessageW(ClientHandle(), WM_MDITILE, MDITILE_VERTICAL, 0); }
void TSkinAppMDI::CascadeClick(TObject*) { SendMessageW(ClientHandle(), WM_MDICASCADE, 0, 0); }

// ---------------------------------------------------------------- the program

namespace {

// Ends the program once the front form has settled and its shot is saved.
struct ShotTaker {
    TSkinAppMain* main;
    TCustomForm* front;
    String file;
    int result = 1;
    void Tick(TObject* sender)
    {
        static_cast<TTimer*>(sender)->SetEnabled(false);
        result = TSkinAppMain::SaveWindowShot(front, file) ? 0 : 1;
        if (result)
            std::fprintf(stderr, "skinapp: the shot could not be saved\n");
        main->Close();
    }
};

}  // namespace

int RunSkinApp(const std::vector<String>& args)
{
    SkinAppOptions options;
    String error;
    if (!ParseSkinAppOptions(args, options, error)) {
        std::fprintf(stderr, "skinapp: %s\n", StringToUtf8(error).c_str());
        return 2;
    }
    InitApplication();
    InitSkinLibrary();
    Application->Initialize();
    Application->SetTitle(L"Skinned controls");
    InstallSoakProbe();
    TSkinAppMain* main = nullptr;
    int rc = 0;
    try {
        Application->CreateForm(main);
        main->Start(options);
        main->Show();
        PlantFault(options.Fault);
        wchar_t cls[128] = {};
        GetClassNameW(main->Handle(), cls, 128);
        std::printf("skinapp: main window class %s\n", StringToUtf8(cls).c_str());
        std::fflush(stdout);
        TCustomForm* front = main;
        if (options.Show == L"mdi")
            front = main->ShowMDIForm();
        else if (options.Show == L"example")
            front = main->ShowExampleForm();
        ShotTaker shot{main, front, options.Shot};
        TTimer* timer = nullptr;
        if (!options.Shot.empty()) {
            timer = new TTimer(main);
            timer->SetInterval(1500);
            timer->SetOnTimer(TNotifyEvent(&shot, &ShotTaker::Tick));
            timer->SetEnabled(true);
        }
        Application->Run();
        if (!options.Shot.empty())
            rc = shot.result;
    } catch (const std::exception& e) {
        Application->HandleException(e);
        rc = 1;
    }
    DoneSkinLibrary();
    DoneApplication();
    return rc;
}
