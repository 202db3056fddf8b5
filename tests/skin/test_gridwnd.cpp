// Grid wrappers on real windows under the sample skin: the colours they give
// grids of other packages (found by name) and take back, and a string grid of
// the class library following the skin.
#include "tests/skin/SkinRuntimeFixture.h"

#include <list>

#include "classlib/Grids.h"
#include "skin/controls/GridWnd.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Utils.h"
#include "tests/skin/StandInControls.h"

using namespace skintest;
using namespace standin;

namespace {

// ---- what the stand-ins publish
const TSpec kControlLook{L"TStandInControlLook",
                         {{L"FixedGradientFrom", 0x102030},
                          {L"FixedGradientTo", clNone},
                          {L"FixedGradientMirrorFrom", 0x405060},
                          {L"FixedGradientMirrorTo", clNone}}};
const TSpec kTitle{L"TStandInTitle", {{L"StartColor", clNone}, {L"EndColor", 0x0A0B0C}}};
const TSpec kGridStyle{L"TStandInGridStyle", {}, {}, {}, {{L"Title", &kTitle}}};
const TSpec kLineColors{L"TStandInLineColors", {{L"FixedColor", 0x111111}, {L"DataColor", 0x222222}, {L"ShadowColor", 0x333333}}};
const TSpec kGrid{L"TStandInGrid",
                  {{L"FixedColor", 0x010203},
                   {L"GridFixedLineColor", 0x040506},
                   {L"GridLineColor", 0x070809},
                   {L"SelectionColor", clHighlight},
                   {L"SelectionTextColor", 0x0C0D0E},
                   {L"FooterColor", 0x121314},
                   {L"FooterCellColor", 0x151617},
                   {L"TitleColor", 0x18191A},
                   {L"IndicatorIconColor", 0x1B1C1D}},
                  {},
                  {},
                  {{L"TitleFont", nullptr},
                   {L"FixedFont", nullptr},
                   {L"ControlLook", &kControlLook},
                   {L"GridStyle", &kGridStyle},
                   {L"LineColors", &kLineColors}}};
// Half of the names: the rest must be skipped without a fault.
const TSpec kHalfLook{L"TStandInHalfLook", {{L"FixedGradientTo", 0x303030}}};
// A grid without a "ControlLook": the colours that go with one stay its own.
const TSpec kNoLookGrid{L"TStandInNoLookGrid",
                        {{L"FixedColor", 0x010203},
                         {L"GridFixedLineColor", 0x040506},
                         {L"GridLineColor", 0x070809},
                         {L"SelectionColor", clHighlight},
                         {L"SelectionTextColor", 0x0C0D0E}},
                        {},
                        {},
                        {{L"FixedFont", nullptr}}};
const TSpec kHalfGrid{L"TStandInHalfGrid", {{L"FixedColor", 0x010203}, {L"TitleColor", 0x18191A}}, {}, {},
                      {{L"ControlLook", &kHalfLook}}};

const TSpec kLineParams{L"TStandInLineParams",
                        {{L"BrightColor", 0x212121}, {L"DataHorzColor", 0x232323}, {L"DataVertColor", 0x242424},
                         {L"DarkColor", 0x252525}}};
const TSpec kIndicatorParams{L"TStandInIndicatorParams",
                             {{L"Color", 0x262626}, {L"HorzLines", 1}, {L"VertLines", 1}, {L"FillStyle", 0}}};
const TSpec kTitleParams{L"TStandInTitleParams",
                         {{L"Color", 0x272727}, {L"SecondColor", 0x282828}, {L"HorzLines", 1}, {L"FillStyle", 0},
                          {L"VertLineColor", 0x292929}}};
const TSpec kRowDetail{L"TStandInRowDetail", {{L"Color", 0x2A2A2A}}};
TSpec GridEhSpec(const wchar_t* name, TColor even, TColor odd)
{
    TSpec s = kGrid;
    s.ClassName = name;
    s.Ords.push_back({L"EvenRowColor", even});
    s.Ords.push_back({L"OddRowColor", odd});
    s.Sets.push_back({L"OptionsEh", {L"dghFixed3D", L"dghHighlightFocus"}, 3});
    s.Objs.push_back({L"GridLineParams", &kLineParams});
    s.Objs.push_back({L"IndicatorParams", &kIndicatorParams});
    s.Objs.push_back({L"TitleParams", &kTitleParams});
    s.Objs.push_back({L"RowDetailPanel", &kRowDetail});
    return s;
}
const TSpec kGridEh = GridEhSpec(L"TStandInGridEh", 0x2B2B2B, 0x2C2C2C);
const TSpec kGridEhSameRows = GridEhSpec(L"TStandInGridEhSameRows", 0x2D2D2D, 0x2D2D2D);

// ---- reading a property by its dotted path
TObject* Holder(TObject* o, const String& path, String& last)
{
    size_t start = 0;
    for (size_t dot; (dot = path.find(L'.', start)) != String::npos; start = dot + 1) {
        if (!o || !GetPropInfo(o, path.substr(start, dot - start))) return nullptr;
        o = GetObjectProp(o, path.substr(start, dot - start));
    }
    last = path.substr(start);
    return o && GetPropInfo(o, last) ? o : nullptr;
}
bool Has(TObject* o, const String& path)
{
    String last;
    return Holder(o, path, last) != nullptr;
}
int64_t Read(TObject* o, const String& path)
{
    String last;
    TObject* h = Holder(o, path, last);
    return h ? GetOrdProp(h, last) : -12345;
}

// What a property holds while the skin is on, from the skin's colours.
struct Expect {
    const wchar_t* path;
    std::function<int64_t(TsSkinManager*)> skinned;
    enum Kind { Color, Gradient, Ordinal } kind = Color;
    bool lookOnly = false;   // applied only to a control with a "ControlLook"
};
TColor Pal(TsSkinManager* m, int i) { return m->Palette()[size_t(i)]; }
TColor Global(TsSkinManager* m) { return Pal(m, 0); }
TColor Edit(TsSkinManager* m) { return m->GetEditColor(); }
TColor EditFont(TsSkinManager* m) { return m->GetEditFontColor(); }
TColor SectionOf(TsSkinManager* m, const wchar_t* name, bool font)
{
    const TsGeneralData& s = m->gd()[size_t(m->FindSectionIndex(name))];
    return font ? s.IniFontColor : s.IniColor;
}

const std::vector<Expect>& GridExpectations()
{
    static const std::vector<Expect> table{
        {L"FixedColor", [](TsSkinManager* m) { return Global(m); }},
        {L"TitleFont.Color", [](TsSkinManager* m) { return Pal(m, 1); }},
        {L"FixedFont.Color", [](TsSkinManager* m) { return Pal(m, 1); }, Expect::Color, true},
        {L"GridFixedLineColor", [](TsSkinManager* m) { return Pal(m, 27); }, Expect::Color, true},
        {L"GridLineColor", [](TsSkinManager* m) { return MixColors(Edit(m), EditFont(m), 0.7); }, Expect::Color, true},
        {L"ControlLook.FixedGradientFrom", [](TsSkinManager* m) { return MixColors(Global(m), Edit(m), 0.5); },
         Expect::Gradient},
        {L"ControlLook.FixedGradientTo", [](TsSkinManager* m) { return Global(m); }, Expect::Gradient},
        {L"ControlLook.FixedGradientMirrorFrom", [](TsSkinManager* m) { return MixColors(Global(m), clBlack, 0.95); },
         Expect::Gradient},
        {L"ControlLook.FixedGradientMirrorTo", [](TsSkinManager* m) { return MixColors(Global(m), clWhite, 0.9); },
         Expect::Gradient},
        {L"SelectionColor", [](TsSkinManager* m) { return m->GetHighlightColor(true); }, Expect::Color, true},
        {L"SelectionTextColor", [](TsSkinManager* m) { return m->GetHighlightFontColor(true); }, Expect::Color, true},
        {L"GridStyle.Title.StartColor", [](TsSkinManager* m) { return MixColors(Global(m), Edit(m), 0.5); },
         Expect::Gradient},
        {L"GridStyle.Title.EndColor", [](TsSkinManager* m) { return Global(m); }, Expect::Gradient},
        {L"LineColors.FixedColor", [](TsSkinManager* m) { return Pal(m, 27); }},
        {L"LineColors.DataColor", [](TsSkinManager* m) { return MixColors(Edit(m), EditFont(m), 0.8); }},
        {L"LineColors.ShadowColor", [](TsSkinManager* m) { return MixColors(Edit(m), EditFont(m), 0.8); }},
        {L"FooterColor", [](TsSkinManager* m) { return SectionOf(m, L"GLOBALINFO", false); }},
        {L"FooterCellColor", [](TsSkinManager* m) { return SectionOf(m, L"GLOBALINFO", false); }},
        {L"TitleColor", [](TsSkinManager* m) { return SectionOf(m, L"GLOBALINFO", false); }},
        {L"IndicatorIconColor", [](TsSkinManager* m) { return SectionOf(m, L"EDIT", true); }},
    };
    return table;
}

const std::vector<Expect>& GridEhExpectations()
{
    static const std::vector<Expect> table = [] {
        std::vector<Expect> t = GridExpectations();
        std::vector<Expect> more{
            {L"EvenRowColor", [](TsSkinManager* m) { return Pal(m, 13); }},
            {L"OddRowColor", [](TsSkinManager* m) { return Pal(m, 12); }},
            {L"GridLineParams.BrightColor", [](TsSkinManager* m) { return MixColors(clWhite, Edit(m), 0.2); }},
            {L"GridLineParams.DataHorzColor", [](TsSkinManager* m) { return MixColors(EditFont(m), Edit(m), 0.2); }},
            {L"GridLineParams.DataVertColor", [](TsSkinManager* m) { return MixColors(EditFont(m), Edit(m), 0.2); }},
            {L"GridLineParams.DarkColor", [](TsSkinManager* m) { return MixColors(clBlack, Global(m), 0.3); }},
            {L"IndicatorParams.Color", [](TsSkinManager* m) { return Global(m); }},
            {L"IndicatorParams.HorzLines", [](TsSkinManager*) { return 0; }, Expect::Ordinal},
            {L"IndicatorParams.VertLines", [](TsSkinManager*) { return 0; }, Expect::Ordinal},
            {L"IndicatorParams.FillStyle", [](TsSkinManager*) { return 2; }, Expect::Ordinal},
            {L"TitleParams.Color", [](TsSkinManager* m) { return Global(m); }},
            {L"TitleParams.SecondColor", [](TsSkinManager* m) { return MixColors(clWhite, Global(m), 0.1); }},
            {L"TitleParams.HorzLines", [](TsSkinManager*) { return 0; }, Expect::Ordinal},
            {L"TitleParams.FillStyle", [](TsSkinManager*) { return 3; }, Expect::Ordinal},
            {L"TitleParams.VertLineColor", [](TsSkinManager* m) { return Pal(m, 27); }},
            {L"RowDetailPanel.Color", [](TsSkinManager* m) { return Global(m); }},
        };
        t.insert(t.end(), more.begin(), more.end());
        return t;
    }();
    return table;
}

// The value a property gets back: colours as RGB, a clNone gradient as clBtnFace.
int64_t GivenBack(int64_t original, Expect::Kind kind)
{
    if (kind == Expect::Ordinal) return original;
    if (kind == Expect::Gradient && TColor(original) == clNone) return clBtnFace;
    return int64_t(ColorToRGB(TColor(original)));
}

class GridWnd : public StandInWrappers {
protected:
    TStandInControl* StandIn(const TSpec& spec)
    {
        auto* c = new TStandInControl(form, spec);
        c->SetParent(form);
        c->SetBounds(10, 10, 300, 200);
        c->HandleNeeded();
        return c;
    }
};

struct RoundTrip {
    const char* name;
    const TSpec* spec;
    bool extended;
};

}  // namespace

// Every named property the control has gets its skin value with the skin on
// and its own value back after the skin is removed and after the wrapper
// goes; names the control lacks are skipped.
TEST_F(GridWnd, ColourRoundTripsOfOtherPackagesGrids)
{
    const RoundTrip cases[] = {
        {"grid", &kGrid, false},
        {"half grid", &kHalfGrid, false},
        {"grid without its look", &kNoLookGrid, false},
        {"extended grid", &kGridEh, true},
    };
    for (const RoundTrip& rt : cases) {
        SCOPED_TRACE(rt.name);
        TStandInControl* c = StandIn(*rt.spec);
        const std::vector<Expect>& table = rt.extended ? GridEhExpectations() : GridExpectations();
        std::map<String, int64_t> original;
        for (const Expect& e : table)
            if (Has(c, e.path)) original[e.path] = Read(c, e.path);
        ASSERT_FALSE(original.empty());
        HWND h = c->Handle();
        TkvGridWnd* w = rt.extended ? Wrap<TkvGridEhWnd>(c) : Wrap<TkvGridWnd>(c);
        ASSERT_NE(w, nullptr);

        for (int pass = 0; pass < 2; ++pass) {
            Command(h, SkinCmdRefresh);
            for (const Expect& e : table) {
                if (!original.count(e.path)) continue;
                if (e.lookOnly && !Has(c, L"ControlLook"))
                    EXPECT_EQ(Read(c, e.path), original[e.path]) << "left alone " << e.path;
                else
                    EXPECT_EQ(Read(c, e.path), e.skinned(manager)) << "skinned " << e.path;
            }
            if (pass == 0) {
                Command(h, SkinCmdRemoveSkin);
            } else {
                TkvMainWnd* wr = GetWrapper(h);
                UnhookWindow(h, true, false, wr);
            }
            for (const Expect& e : table) {
                if (!original.count(e.path)) continue;
                const bool untouched = e.lookOnly && !Has(c, L"ControlLook");
                EXPECT_EQ(Read(c, e.path), untouched ? original[e.path] : GivenBack(original[e.path], e.kind))
                    << "given back " << e.path;
            }
        }
        if (rt.spec == &kHalfGrid) {
            EXPECT_FALSE(Has(c, L"TitleFont.Color"));
        }
    }
}

// The extended grid's row colours change only when they differed, and its
// 3D fixed cells are given up only under visual themes (and come back).
TEST_F(GridWnd, ExtendedGridRowColoursAndFixed3D)
{
    TStandInControl* same = StandIn(kGridEhSameRows);
    Wrap<TkvGridEhWnd>(same);
    Command(same->Handle(), SkinCmdRefresh);
    EXPECT_EQ(Read(same, L"EvenRowColor"), 0x2D2D2D);
    EXPECT_EQ(Read(same, L"OddRowColor"), 0x2D2D2D);
    EXPECT_EQ(SetPropContains(same, L"OptionsEh", L"dghFixed3D"), !VisualThemesActive());
    Command(same->Handle(), SkinCmdRemoveSkin);
    EXPECT_TRUE(SetPropContains(same, L"OptionsEh", L"dghFixed3D"));
    EXPECT_TRUE(SetPropContains(same, L"OptionsEh", L"dghHighlightFocus"));
}

// A string grid of the class library: its cells in the skin's edit colour,
// its fixed cells a gradient of the skin's colours without the system's
// raised edge; having no "ControlLook", it keeps its own selection and line
// colours; its own colours and drawing back after.
TEST_F(GridWnd, StringGridColoursFollowTheSkin)
{
    auto* g = Add<TStringGrid>(form, 10, 10, 330, 200);
    g->SetColCount(4);
    g->SetRowCount(12);
    g->SetCells(1, 1, L"текст");
    g->SetFixedColor(0x3040A0);
    g->SetColor(0x20C020);
    HWND h = g->Handle();
    Pump(20);
    Wrap<TkvGridWnd>(g);
    Command(h, SkinCmdRefresh);
    EXPECT_EQ(g->FixedColor(), Global(manager));
    EXPECT_EQ(GetOrdProp(g, L"FixedColor"), Global(manager));
    TColor cellColour = g->Color();
    EXPECT_NE(cellColour, 0x20C020);
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Pump(30);
    RECT cell = g->CellRect(2, 2), selected = g->CellRect(g->Col(), g->Row());
    EXPECT_EQ(WindowPixel(h, cell.left + 20, cell.top + 5), ColorToRGB(cellColour));
    EXPECT_EQ(WindowPixel(h, selected.right - 3, selected.top + 3), ColorToRGB(clHighlight));
    const COLORREF top = ColorToRGB(MixColors(Global(manager), Edit(manager), 0.5));
    const COLORREF bottom = ColorToRGB(Global(manager));
    const COLORREF line = ColorToRGB(clBtnFace);
    ASSERT_NE(line, ColorToRGB(MixColors(Edit(manager), EditFont(manager), 0.7)));
    ASSERT_NE(top, bottom) << "the gradient must be seen";
    for (auto [col, row] : {std::pair{0, 0}, std::pair{1, 0}, std::pair{0, 1}}) {
        SCOPED_TRACE(testing::Message() << "cell " << col << "," << row);
        const RECT f = g->CellRect(col, row);
        const int mid = (f.left + f.right) / 2;
        EXPECT_EQ(WindowPixel(h, mid, f.top), top);
        EXPECT_EQ(WindowPixel(h, mid, f.bottom - 1), bottom);
        // Each row of the cell is one colour to its edges: no edge of its own.
        for (int y = f.top; y < f.bottom; y += 3) {
            const COLORREF inside = WindowPixel(h, mid, y);
            EXPECT_EQ(WindowPixel(h, f.left, y), inside) << "y " << y;
            EXPECT_EQ(WindowPixel(h, f.right - 1, y), inside) << "y " << y;
        }
        // The lines right of and below the cell.
        EXPECT_EQ(WindowPixel(h, f.right, (f.top + f.bottom) / 2), line);
        EXPECT_EQ(WindowPixel(h, mid, f.bottom), line);
    }

    Command(h, SkinCmdRemoveSkin);
    EXPECT_EQ(g->FixedColor(), 0x3040A0);
    EXPECT_EQ(g->Color(), 0x20C020);
    EXPECT_EQ(g->DrawingStyle(), TGridDrawingStyle::gdsClassic);
    EXPECT_EQ(ColorToRGB(g->GridLineColor()), ColorToRGB(clBtnFace));
    EXPECT_EQ(ColorToRGB(g->SelectionColor()), ColorToRGB(clHighlight));
}

// The grid itself: cells by point, scrolling by rows with its bar, fixed rows staying.
TEST_F(GridWnd, StringGridScrollsByRowsKeepingFixedOnes)
{
    auto* g = Add<TStringGrid>(form, 10, 10, 330, 160);
    g->SetRowCount(40);
    g->SetCells(0, 0, L"title");
    HWND h = g->Handle();
    Pump(10);
    int col = -1, row = -1;
    RECT c = g->CellRect(2, 3);
    ASSERT_TRUE(g->MouseToCell(c.left + 1, c.top + 1, col, row));
    EXPECT_EQ(col, 2);
    EXPECT_EQ(row, 3);
    SendMessageW(h, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_GT(g->TopRow(), 1);
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
    GetScrollInfo(h, SB_VERT, &si);
    EXPECT_EQ(si.nPos, g->TopRow() - g->FixedRows());
    EXPECT_EQ(g->CellRect(0, 0).top, 0);            // the fixed row stays on top
    EXPECT_EQ(g->CellRect(1, 1).bottom, 0);         // a scrolled-away row is not shown
    ClickAt(g, c.left + 3, g->CellRect(2, g->TopRow()).top + 3);
    EXPECT_EQ(g->Row(), g->TopRow());
    EXPECT_EQ(g->Col(), 2);
}


namespace {
const TSpec kDataGrid{L"TStandInDataGrid", {{L"DataSource", 1}}};
const TSpec kWwGrid{L"TwwDBGrid", {{L"DataSource", 1}}};

// Logs the vertical scroll messages that reach the control under the wrapper.
struct ScrollLog {
    TWndMethod own;
    std::vector<WPARAM> codes;
    void Proc(TMessage& m)
    {
        if (m.Msg == WM_VSCROLL) codes.push_back(m.WParam);
        own(m);
    }
};
}  // namespace

// A data-aware grid: a thumb message puts the track position into the bar
// first; the end of a scroll sends the final position only to the grid
// class that needs it.
TEST_F(GridWnd, DataAwareGridsGetTheTrackPosition)
{
    std::list<ScrollLog> logs;
    for (const TSpec* spec : {&kDataGrid, &kWwGrid}) {
        SCOPED_TRACE(testing::Message() << spec->ClassName);
        TStandInControl* c = StandIn(*spec);
        ScrollLog& log = logs.emplace_back(ScrollLog{c->WindowProc});
        c->WindowProc = TWndMethod(&log, &ScrollLog::Proc);
        HWND h = c->Handle();
        TkvGridWnd* w = Wrap<TkvGridWnd>(c);
        Command(h, SkinCmdRefresh);
        w->Bar(1)->Info.nTrackPos = 37;
        SendMessageW(h, WM_VSCROLL, SB_THUMBTRACK, 0);
        EXPECT_EQ(GetScrollPos(h, SB_VERT), 37);
        log.codes.clear();
        SendMessageW(h, WM_VSCROLL, SB_ENDSCROLL, 0);
        std::vector<WPARAM> expected{SB_ENDSCROLL};
        if (spec == &kWwGrid) expected.push_back(MAKEWPARAM(SB_THUMBPOSITION, 37));
        EXPECT_EQ(log.codes, expected);
        TkvMainWnd* wr = GetWrapper(h);
        UnhookWindow(h, true, false, wr);
        c->WindowProc = log.own;
    }
}
