#include "skin/controls/TreeWnd.h"

#include <commctrl.h>

#include <algorithm>
#include <any>
#include <cstring>

#include "classlib/TreeView.h"
#include "classlib/TypInfo.h"
#include "skin/core/ControlPaint.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/TextEffects.h"
#include "skin/graphics/Utils.h"

namespace {
// Copies a value out of the record, or leaves it zero when the record is too short.
template <class T>
T ReadField(const void* record, size_t size, size_t offset)
{
    T v{};
    if (record && offset <= size && sizeof(T) <= size - offset)
        std::memcpy(&v, static_cast<const unsigned char*>(record) + offset, sizeof(T));
    return v;
}

RECT ReadRect(const void* record, size_t size, size_t offset)
{
    int32_t v[4]{};
    if (record && offset <= size && sizeof v <= size - offset)
        std::memcpy(v, static_cast<const unsigned char*>(record) + offset, sizeof v);
    return RECT{v[0], v[1], v[2], v[3]};
}

void ClientEraseFill(HWND wnd, HDC given, TColor color)
{
    HDC dc = given ? given : GetDC(wnd);
    if (!dc) return;
    RECT r;
    GetClientRect(wnd, &r);
    FillRectSolid(dc, r, color);
    if (!given) ReleaseDC(wnd, dc);
}
}  // namespace

// ---------------------------------------------------------------- TkvTreeViewWnd

TkvTreeViewWnd::TkvTreeViewWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                               const String& skinSection, bool repaint)
    : TkvEditWnd(handle, commonData, skinManager, skinSection, repaint)
{
}

bool TkvTreeViewWnd::OwnerDrawsItself() const
{
    auto* tree = dynamic_cast<TTreeView*>(OwnerControl());
    return tree && bool(tree->OnAdvancedCustomDraw);
}

bool TkvTreeViewWnd::Hot() const
{
    const TsGeneralData* s = CommonData ? CommonData->Section() : nullptr;
    return s && s->States > 1 &&
           (GetFocus() == Handle || CommonData->MouseInside || (SkinManager && SkinManager->HotWindow() == Handle));
}

TColor TkvTreeViewWnd::TreeColor() const
{
    if (InDialog) return clWindow;
    if (CommonData && CommonData->CustomColor()) {
        TControl* c = OwnerControl();
        return c ? c->Color() : TColor(clWindow);
    }
    if (!SkinManager || !CommonData || !SkinManager->IsSectionIndexValid(CommonData->SectionIndex)) return clWindow;
    const TsGeneralData& s = SkinManager->gd()[size_t(CommonData->SectionIndex)];
    return s.Props[Hot() ? 1 : 0].Color;
}

TColor TkvTreeViewWnd::TreeFontColor() const
{
    if (InDialog) return clWindowText;
    if (CommonData && CommonData->CustomFont()) {
        TControl* c = OwnerControl();
        return c ? c->Font().Color() : TColor(clWindowText);
    }
    if (!SkinManager || !CommonData || !SkinManager->IsSectionIndexValid(CommonData->SectionIndex)) return clWindowText;
    const TsGeneralData& s = SkinManager->gd()[size_t(CommonData->SectionIndex)];
    return s.Props[Hot() ? 1 : 0].FontColor;
}

void TkvTreeViewWnd::ApplySkinColors()
{
    ColorsApplied = true;
    TColor back = TreeColor(), text = TreeFontColor();
    SkinColor = back;
    if (TControl* c = OwnerControl()) {
        if (c->Font().Color() != text) c->Font().SetColor(text);
        if (Unhooked) return;   // the font change re-created the window
        if (ColorToRGB(c->Color()) != ColorToRGB(back)) SendMessageW(Handle, TVM_SETBKCOLOR, 0, LPARAM(ColorToRGB(back)));
    } else {
        SendMessageW(Handle, TVM_SETTEXTCOLOR, 0, LPARAM(ColorToRGB(text)));
        SendMessageW(Handle, TVM_SETBKCOLOR, 0, LPARAM(ColorToRGB(back)));
    }
    if (CommonData) CommonData->BackgroundChanged = true;
}

void TkvTreeViewWnd::RestoreOwnColors()
{
    TkvEditWnd::RestoreOwnColors();
    if (!IsWindow(Handle) || !IsWindowVisible(Handle)) return;
    // A class-library tree gets its own colour back; the system's default
    // (-1) is clWindow for a tree without an owner. Painting clWindow over a
    // tree whose Color is another would leave the control disagreeing with
    // its own property.
    TControl* c = OwnerControl();
    LPARAM back = c && !c->Destroying() ? LPARAM(ColorToRGB(c->Color())) : LPARAM(-1);
    SendMessageW(Handle, TVM_SETBKCOLOR, 0, back);
}

void TkvTreeViewWnd::FillBackground(TMessage& m)
{
    if (!SkinManager || (CommonData && CommonData->IsUpdating())) return;   // swallowed
    if (CommonData && CommonData->BackgroundChanged) PaintWrapperBackground(CommonData, Handle, InDialog);
    ClientEraseFill(Handle, HDC(m.WParam), TreeColor());
    m.Result = 1;
}

void TkvTreeViewWnd::WndProc(TMessage& m)
{
    bool skinned = !Unhooked && CommonData && ActiveManager() && CommonData->IsSkinned();
    if (skinned && m.Msg == WM_ERASEBKGND) {
        if (OwnerDrawsItself())
            CallPrevWndProc(m);
        else
            FillBackground(m);
        return;
    }
    TkvEditWnd::WndProc(m);
    if (skinned && m.Msg == WM_LBUTTONUP) ReleaseCapture();
}

// ---------------------------------------------------------------- TkvVirtualTreeViewWnd

namespace {
using C = const TkvSkinColors&;
const std::vector<TkvPropRule>& VirtualTreeRules()
{
    static const std::vector<TkvPropRule> rules{
        {L"VETColors.CompressedTextColor", L"", TkvPropKind::Color, [](C c) { return c.SectionFont; }},
        {L"VETColors.FileTextColor", L"", TkvPropKind::Color, [](C c) { return c.SectionFont; }},
        {L"VETColors.FolderTextColor", L"", TkvPropKind::Color, [](C c) { return c.SectionFont; }},
        {L"PaintInfoColumn.Color", L"", TkvPropKind::Color, [](C c) { return c.Global; }},
        {L"PaintInfoColumn.Style", L"", TkvPropKind::Ordinal, [](C) { return 1; }},
        {L"Header.Color", L"", TkvPropKind::Color, [](C c) { return c.Edit; }},
        {L"Header.Font.Color", L"", TkvPropKind::Color, [](C c) { return c.GlobalFont; }},
    };
    return rules;
}

TObject* HeaderOf(TControl* c) { return GetObjectPropByName(c, L"Header"); }
}  // namespace

TkvVirtualTreeViewWnd::TkvVirtualTreeViewWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                                             const String& skinSection, bool repaint)
    : TkvEditWnd(handle, commonData, skinManager, skinSection, repaint, TkvEditOptions{-1, false})
{
}

TkvVirtualTreeViewWnd::~TkvVirtualTreeViewWnd()
{
    // The header events go back in the base's destructor; the edit's gives
    // back only the edit's colours.
    if (!Unhooked) RestoreTreeProps();
}

void TkvVirtualTreeViewWnd::SaveOwnColors()
{
    TkvEditWnd::SaveOwnColors();
    if (TControl* c = OwnerControl()) SavedProps.Save(c, VirtualTreeRules());
    addedOwnerDraw_ = false;
}

namespace {
// An event of the tree by name, compared with a handler of its own type.
template <class E>
bool EventHolds(TControl* c, const wchar_t* name, const E& handler)
{
    if (!GetPropInfo(c, name)) return false;
    std::any v = GetMethodProp(c, name);
    const E* d = std::any_cast<E>(&v);
    return d && *d == handler;
}

}  // namespace

void TkvVirtualTreeViewWnd::InstallHeaderHandler(const wchar_t* name, std::any handler,
                                                 std::function<bool(TControl*)> holds)
{
    TControl* c = OwnerControl();
    if (!c || !GetPropInfo(c, name) || GetPropInfo(c, name)->Kind != TTypeKind::tkMethod) return;
    if (GetMethodProp(c, name).has_value()) return;   // the tree's own handler stays
    try {
        SetMethodProp(c, name, handler);
    } catch (const Exception&) {
        return;   // an event of another signature cannot take ours
    }
    // Given back (emptied) on removal and when the wrapper goes, while it is still ours.
    AddHandlerRestore(
        c, [c, holds] { return holds(c); },
        [c, n = String(name)] { SetMethodProp(c, n, std::any()); });
}

void TkvVirtualTreeViewWnd::RestoreTreeProps()
{
    TControl* c = OwnerControl();
    if (!c || c->Destroying()) return;
    SavedProps.Restore(c);
    if (addedOwnerDraw_)
        if (TObject* header = HeaderOf(c)) ChangeSetProp(header, L"Options", L"hoOwnerDraw", false);
    addedOwnerDraw_ = false;
}

void TkvVirtualTreeViewWnd::ApplySkinColors()
{
    TkvEditWnd::ApplySkinColors();
    TControl* c = OwnerControl();
    if (!c || Unhooked || !ColorsApplied) return;
    SavedProps.Apply(c, VirtualTreeRules(), ReadSkinColors(ActiveManager(), CommonData->SectionIndex));
    TkvHeaderDrawEvent draw(this, &TkvVirtualTreeViewWnd::HeaderDraw);
    TkvHeaderQueryEvent query(this, &TkvVirtualTreeViewWnd::HeaderQueryElements);
    InstallHeaderHandler(L"OnAdvancedHeaderDraw", std::any(draw),
                         [draw](TControl* t) { return EventHolds(t, L"OnAdvancedHeaderDraw", draw); });
    InstallHeaderHandler(L"OnHeaderDrawQueryElements", std::any(query),
                         [query](TControl* t) { return EventHolds(t, L"OnHeaderDrawQueryElements", query); });
    if (TObject* header = HeaderOf(c))
        if (!SetPropContains(header, L"Options", L"hoOwnerDraw")) {
            ChangeSetProp(header, L"Options", L"hoOwnerDraw", true);
            addedOwnerDraw_ = SetPropContains(header, L"Options", L"hoOwnerDraw");
        }
    if (IsWindowVisible(Handle))
        RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TkvVirtualTreeViewWnd::RestoreOwnColors()
{
    TkvEditWnd::RestoreOwnColors();
    RestoreTreeProps();
    RestoreHandlers();
}

void TkvVirtualTreeViewWnd::HeaderQueryElements(TObject*, const void*, size_t, uint8_t& elements)
{
    elements = hpeBackground | hpeText | hpeSortGlyph | hpeOverlayText;   // 27
}

void TkvVirtualTreeViewWnd::HeaderDraw(TObject* header, const void* info, size_t size, uint8_t elements)
{
    if (Scrolling || !CommonData || !CommonData->IsSkinned(false)) return;
    if (!info || size < HeaderRecord::Size) return;
    TsSkinManager* manager = DefaultManager ? DefaultManager : SkinManager;
    if (!manager) return;
    auto* canvas = ReadField<TCanvas*>(info, size, HeaderRecord::Canvas);
    auto* column = ReadField<TObject*>(info, size, HeaderRecord::Column);
    RECT pr = ReadRect(info, size, HeaderRecord::PaintRect);
    if (!canvas || !canvas->Handle()) return;
    HDC dst = canvas->Handle();

    if (!column) {
        if (CommonData->SectionIndex != -1 && manager->IsSectionIndexValid(CommonData->SectionIndex))
            FillRectSolid(dst, pr, manager->gd()[size_t(CommonData->SectionIndex)].IniColor);
        return;
    }
    const wchar_t* name = L"COLHEADER";
    int section = manager->FindSectionIndex(name);
    if (!manager->IsSectionIndexValid(section)) {
        name = L"BUTTON";
        section = manager->FindSectionIndex(name);
    }
    bool pressed = ReadField<uint8_t>(info, size, HeaderRecord::Pressed) != 0;
    bool hot = ReadField<uint8_t>(info, size, HeaderRecord::Hot) != 0;
    int state = pressed ? 2 : hot ? 1 : 0;
    int w = std::max<int>(0, pr.right - pr.left), h = std::max<int>(0, pr.bottom - pr.top);
    TBitmap bmp(w, h, TPixelFormat::pf32bit);

    if (elements & hpeBackground) {
        TsBgCacheInfo bg = InitBgCacheInfo(CommonData->CacheBitmap.get(), 0, 0);
        PaintSkinItem(section, name, bg, -1, -1, nullptr, &bmp, POINT{pr.left, pr.top}, RECT{0, 0, w, h}, state, 1);
        BitBlt(dst, pr.left, pr.top, w, h, bmp.Canvas().Handle(), 0, 0, SRCCOPY);
        return;
    }
    BitBlt(bmp.Canvas().Handle(), 0, 0, w, h, dst, pr.left, pr.top, SRCCOPY);
    TControl* owner = OwnerControl();
    TObject* ownerHeader = HeaderOf(owner);
    String text = HasProperty(column, L"Text") ? GetStrProp(column, L"Text") : String();
    TsManagerTextSkin skin(manager);
    auto drawText = [&](UINT format) {
        if (text.empty()) return;
        RECT tr = ReadRect(info, size, HeaderRecord::TextRect);
        OffsetRect(&tr, -pr.left, -pr.top);
        if (auto* font = dynamic_cast<TFont*>(GetObjectPropByName(ownerHeader, L"Font")))
            bmp.Canvas().Font().Assign(font);
        DrawSectionText(bmp.Canvas(), text, true, &skin, state != 0, section, format, tr);
    };
    if ((elements & hpeOverlayText) && !(elements & hpeText)) drawText(0);
    if ((elements & hpeSortGlyph) && ReadField<uint8_t>(info, size, HeaderRecord::SortShown) && ownerHeader) {
        bool down = GetOrdPropByName(header, L"SortDirection") != 0;
        int cached = manager->CommonIndexes().ScrollSection[down ? spBtnBottom : spBtnTop];
        int mask = manager->FindMaskIndex(cached, down ? L"SCROLLBTNBOTTOM" : L"SCROLLBTNTOP", L"GLYPHMASK");
        if (manager->IsMaskIndexValid(mask)) {
            const TsMaskData& md = manager->ma()[size_t(mask)];
            int glyphH = md.SourceRect.Height() / (md.StateLayout + 1);
            int x = ReadField<int32_t>(info, size, HeaderRecord::SortGlyphX) - pr.left;
            int y = (h - glyphH) / 2;
            DrawMaskFrame32(&bmp, POINT{x, y}, state, InitBgCacheInfo(&bmp, 0, 0), mask, 1, manager);
        }
    }
    if (elements & hpeText) {
        String options = HasProperty(column, L"Options") ? GetSetProp(column, L"Options") : String();
        drawText(options.find(L"coWrapCaption") != String::npos ? 0x8014 : 0x8024);
    }
    BitBlt(dst, pr.left, pr.top, w, h, bmp.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TkvVirtualTreeViewWnd::PaintFrame()
{
    if (!IsWindowVisible(Handle) || (CommonData && CommonData->IsUpdating())) return;
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    UpdateCache();
    PaintBorderMaskCorners(CommonData, 0, this);
    HDC dc = GetWindowDC(Handle);
    if (!dc) return;
    CopyBorderRing(dc);
    // The tree draws its own non-client parts (its header) into the same DC.
    LPARAM l = PRF_NONCLIENT;
    CallPrevWndProc(Handle, WM_PRINT, WPARAM(dc), l);
    TkvScrollWnd::NCPaint(dc);
    ReleaseDC(Handle, dc);
}

void TkvVirtualTreeViewWnd::Print(TMessage& m)
{
    HDC dc = HDC(m.WParam);
    int dy = 0;
    if (TObject* header = HeaderOf(OwnerControl()))
        if (SetPropContains(header, L"Options", L"hoVisible")) dy = int(GetOrdPropByName(header, L"Height"));
    RECT cr;
    GetClientRect(Handle, &cr);
    int saved = SaveDC(dc);
    POINT org;
    GetViewportOrgEx(dc, &org);
    SetViewportOrgEx(dc, org.x + LeftEdge, org.y + LeftEdge + dy, nullptr);
    IntersectClipRect(dc, 0, 0, cr.right, cr.bottom);
    LPARAM flags = PRF_CLIENT | PRF_ERASEBKGND;
    CallPrevWndProc(Handle, WM_PRINTCLIENT, WPARAM(dc), flags);
    RestoreDC(dc, saved);
    CallPrevWndProc(m);
    PaintBorderMaskCorners(CommonData, 0, this);
    CopyBorderRing(dc);
    TkvScrollWnd::NCPaint(dc);
}

void TkvVirtualTreeViewWnd::WndProc(TMessage& m)
{
    bool skinned = !Unhooked && CommonData && ActiveManager() && CommonData->IsSkinned();
    if (skinned) {
        switch (m.Msg) {
        case WM_ERASEBKGND:
            m.Result = 1;
            return;
        case WM_NCPAINT:
            PaintFrame();
            m.Result = 0;
            return;
        case WM_HSCROLL:
        case WM_VSCROLL: {
            if (LOWORD(m.WParam) == SB_THUMBTRACK)
                if (TkvScrollBar* bar = Bar(m.Msg == WM_VSCROLL ? 1 : 0)) bar->Info.nPos = bar->Info.nTrackPos;
            if (m.Msg == WM_VSCROLL) {
                SendMessageW(Handle, WM_SETREDRAW, FALSE, 0);
                TkvEditWnd::WndProc(m);
                SendMessageW(Handle, WM_SETREDRAW, TRUE, 0);
                RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
                return;
            }
            break;
        }
        case WM_PRINT:
            if (m.WParam) {
                Print(m);
                return;
            }
            break;
        default:
            break;
        }
    }
    TkvEditWnd::WndProc(m);
}
