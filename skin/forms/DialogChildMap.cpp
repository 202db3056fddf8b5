#include "skin/forms/DialogChildMap.h"

#include <commctrl.h>

#include <cwctype>
#include <map>

#include "skin/controls/ButtonWnd.h"
#include "skin/controls/ComboWnd.h"
#include "skin/controls/ContainerWnd.h"
#include "skin/controls/EditWnd.h"
#include "skin/controls/ListViewWnd.h"
#include "skin/controls/MainWnd.h"
#include "skin/controls/ScrollWnd.h"
#include "skin/controls/StaticWnd.h"
#include "skin/controls/TabWnd.h"
#include "skin/controls/TreeWnd.h"

namespace {

using K = TkvChildWrapper;

TkvChildRow Row(K kind, const wchar_t* section, bool dialogMode = false, bool clearsPaint = false,
                bool repaintFromCache = false)
{
    return TkvChildRow{kind, section, dialogMode, clearsPaint, repaintFromCache};
}

TkvChildRow MapStatic(DWORD s, DWORD ex)
{
    switch (s & 0x1F) {
    case SS_ICON:
    case SS_BITMAP:
    case SS_ENHMETAFILE:
        return (ex & WS_EX_STATICEDGE) ? Row(K::Edge, L"EDIT") : Row(K::Icon, L"CHECKBOX");
    case SS_GRAYRECT:
    case SS_WHITERECT:
    case SS_SIMPLE:
    case SS_OWNERDRAW:
        // Plain rectangles, simple text the system paints on its own, and
        // statics their owner draws: left as they are.
        return Row(K::None, L"");
    default:
        return Row(K::Static, L"CHECKBOX");
    }
}

TkvChildRow MapButton(DWORD s)
{
    switch (s & 0x0F) {
    case BS_GROUPBOX:
        return Row(K::GroupBox, L"GROUPBOX");
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_AUTORADIOBUTTON:
        return Row(K::CheckBox, L"CHECKBOX");
    case BS_OWNERDRAW:
        return Row(K::None, L"");
    default:   // push buttons, split buttons, command links
        return Row(K::Button, L"BUTTON");
    }
}

std::map<K, TkvDialogChildFactory>& Factories()
{
    static auto* f = new std::map<K, TkvDialogChildFactory>;   // lives as long as the process
    return *f;
}

}  // namespace

TkvChildRow MapDialogChild(const TkvChildFacts& f)
{
    const String& c = f.ClassName;
    const DWORD s = f.Style;
    if (c == L"static")
        return MapStatic(s, f.ExStyle);
    if (c == L"#32770" || c == L"shbrowseforfolder")
        return Row(K::TransPanel, L"CHECKBOX");
    if (c == L"tpanel")
        return Row(K::Panel, L"CHECKBOX");
    if (c == L"tsilentpaintpanel")
        return Row(K::SilentPanel, L"GROUPBOX");
    if (c == L"edit")
        return f.Visible ? Row(K::Edit, L"EDIT", true, true, true) : Row(K::None, L"");
    if (c == L"button")
        return MapButton(s);
    if (c == L"combobox")
        return Row(K::ComboBox, L"COMBOBOX", true, true, true);
    if (c == L"combolbox")
        return Row(K::ComboList, L"COMBOBOX", false, true);
    if (c == L"comboboxex32")
        return Row(K::ComboBoxEx, L"COMBOBOX", false, true);
    if (c == L"scrollbar")
        return (s & SBS_SIZEGRIP) ? Row(K::Sizer, L"CHECKBOX") : Row(K::None, L"");
    if (c == L"systabcontrol32")
        return (s & TCS_OWNERDRAWFIXED) ? Row(K::None, L"") : Row(K::TabControl, L"PAGECONTROL");
    if (c == L"syslistview32")
        return Row(K::ListView, L"EDIT", true);
    if (c == L"msctls_updown32")
        return Row(K::Spin, L"SPEEDBUTTON_SMALL");
    if (c == L"msctls_trackbar32")
        return Row(K::Track, L"TRACKBAR");
    if (c == L"listbox")
        return Row(K::ListBox, L"EDIT", true, true);
    if (c == L"link window" || c == L"syslink")
        return Row(K::Link, L"CHECKBOX");
    if (c == L"toolbarwindow32")
        return Row(K::ToolBar, (s & TBSTYLE_FLAT) ? L"BAR" : L"CHECKBOX");
    if (c == L"systreeview32")
        return Row(K::TreeView, L"EDIT", true);
    if (c == L"directuihwnd")
        return f.Height == 24 ? Row(K::Search, L"CHECKBOX") : Row(K::None, L"");
    static const wchar_t* const containers[] = {L"rebarwindow32", L"msctls_progress32", L"universalsearchband",
                                                L"address band root", L"workerw", L"search box",
                                                L"travelband", L"breadcrumb parent"};
    for (const wchar_t* name : containers)
        if (c == name)
            return f.Visible ? Row(K::Container, L"CHECKBOX") : Row(K::None, L"");
    return Row(K::None, L"");   // "ctrlnotifysink" and every class not named
}

void RegisterDialogChildFactory(TkvChildWrapper kind, TkvDialogChildFactory factory)
{
    if (factory)
        Factories()[kind] = std::move(factory);
    else
        Factories().erase(kind);
}

TkvMainWnd* MakeDialogChildWrapper(const TkvChildRow& row, HWND h, TsSkinManager* m, bool repaint)
{
    if (row.Kind == K::None || !h)
        return nullptr;
    const String section = row.Section;
    if (auto it = Factories().find(row.Kind); it != Factories().end())
        return it->second(h, m, section, repaint);
    switch (row.Kind) {
    case K::Edge:
        return CreateWrapper<TkvEdgeWnd>(h, nullptr, m, section, repaint);
    case K::Icon:
        return CreateWrapper<TkvIconWnd>(h, nullptr, m, section, repaint);
    case K::Static:
        return CreateWrapper<TkvStaticWnd>(h, nullptr, m, section, repaint);
    case K::TransPanel:
        return CreateWrapper<TkvTransPanelWnd>(h, nullptr, m, section, repaint);
    case K::Panel:
    case K::SilentPanel:
        return CreateWrapper<TkvPanelWnd>(h, nullptr, m, section, repaint);
    case K::GroupBox:
        return CreateWrapper<TkvGroupBoxWnd>(h, nullptr, m, section, repaint);
    case K::CheckBox:
        return CreateWrapper<TkvCheckBoxWnd>(h, nullptr, m, section, repaint);
    case K::Button:
        return CreateWrapper<TkvBtnWnd>(h, nullptr, m, section, repaint);
    case K::Sizer:
        return CreateWrapper<TkvSizerWnd>(h, nullptr, m, section, repaint);
    case K::TabControl:
        return CreateWrapper<TkvTabControlWnd>(h, nullptr, m, section, repaint);
    case K::Spin: {
        auto* w = CreateWrapper<TkvSpinWnd>(h, nullptr, m, section, repaint);
        w->CommonData->ControlKind = 2;
        return w;
    }
    case K::Track:
        return CreateWrapper<TkvTrackWnd>(h, nullptr, m, section, repaint);
    case K::Link:
        return CreateWrapper<TkvLinkWnd>(h, nullptr, m, section, repaint);
    case K::ToolBar:
        return CreateWrapper<TkvToolBarWnd>(h, nullptr, m, section, repaint);
    case K::Search:
        return CreateWrapper<TkvSearchWnd>(h, nullptr, m, section, repaint);
    case K::Container:
        return CreateWrapper<TkvContainerWnd>(h, nullptr, m, section, repaint);
    case K::Edit:
    case K::ListBox:
        return CreateWrapper<TkvEditWnd>(h, nullptr, m, section, repaint);
    case K::ComboBox:
        return CreateWrapper<TkvComboBoxWnd>(h, nullptr, m, section, repaint);
    case K::ComboList:
        return CreateWrapper<TkvComboListWnd>(h, nullptr, m, section, repaint);
    case K::ListView:
        return CreateWrapper<TkvListViewWnd>(h, nullptr, m, section, repaint);
    case K::TreeView:
        return CreateWrapper<TkvTreeViewWnd>(h, nullptr, m, section, repaint);
    default:
        return nullptr;
    }
}

TkvChildFacts ReadChildFacts(HWND h)
{
    TkvChildFacts f;
    char cls[129] = {};
    int n = GetClassNameA(h, cls, 128);
    f.ClassName.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        f.ClassName.push_back(wchar_t(std::towlower(static_cast<unsigned char>(cls[i]))));
    f.Style = DWORD(GetWindowLongPtrW(h, GWL_STYLE));
    f.ExStyle = DWORD(GetWindowLongPtrW(h, GWL_EXSTYLE));
    f.Visible = IsWindowVisible(h) != FALSE;
    RECT r{};
    GetWindowRect(h, &r);
    f.Height = r.bottom - r.top;
    return f;
}
