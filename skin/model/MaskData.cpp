#include "skin/model/MaskData.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "skin/graphics/SkinError.h"
#include "skin/model/SkinIni.h"

std::string ConvertErrorText(const std::string& value)
{
    return "'" + value + "' is not a valid integer value";
}

TsGradArrayRef ParseGradientData(const std::string& data)
{
    std::vector<std::string> words;
    size_t pos = 0;
    while (pos <= data.size()) {
        size_t end = data.find(';', pos);
        if (end == std::string::npos)
            end = data.size();
        if (end > pos)
            words.push_back(data.substr(pos, end - pos));
        pos = end + 1;
    }
    auto num = [](const std::string& w) {
        int v;
        if (!SkinIni::ParseInt(w, v))
            throw SkinError(SkinErrorKind::Convert, ConvertErrorText(w));
        return v;
    };
    auto result = std::make_shared<TsGradArray>();
    for (size_t i = 0; i + 5 <= words.size(); i += 5) {
        TsGradStop p;
        p.Color1 = num(words[i]);
        p.Color2 = num(words[i + 1]);
        p.Percent = uint8_t(Bounded(num(words[i + 2]), SkinRange::Percent));
        p.Mode = num(words[i + 3]);
        result->push_back(p);
    }
    return result;
}

int MaskFrameWidth(const TsMaskData& m)
{
    if (m.FrameCount == 0)
        return 0;
    if (m.FrameCount == 1)
        return m.SourceRect.Width();
    return m.SourceRect.Width() / m.FrameCount;
}

int MaskStateHeight(const TsMaskData& m)
{
    int h = m.SourceRect.Height();
    if (m.StateLayout < 0)
        return 0;
    if (m.StateLayout == 0)
        return h;
    if (m.StateLayout == 1)
        return h / 2;
    return h / (m.StateLayout + 1);
}

void ClipMaskRect(TsMaskData& m, int w, int h)
{
    px::Rect& r = m.SourceRect;
    r.left = std::clamp(r.left, 0, w);
    r.right = std::clamp(r.right, 0, w);
    r.top = std::clamp(r.top, 0, h);
    r.bottom = std::clamp(r.bottom, 0, h);
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
}

int16_t ComputeCornerTransparency(const TsMaskData& m, const PixelBitmap* bmp)
{
    if (m.SectionName == "BUTTON_HUGE" && m.PropertyName == "BORDERSMASK")
        return 2;
    const px::Rect& r = m.SourceRect;
    if (!bmp || r.Height() <= 0 || r.Width() <= 0)
        return 0;
    int fw = MaskFrameWidth(m), sh = MaskStateHeight(m);
    // Areas end one pixel short of the bitmap's right and bottom edges at the latest.
    int maxX = bmp->Width() - 1, maxY = bmp->Height() - 1;
    auto scan = [&](int x0, int w, int y0, int h) {
        int x1 = std::min(x0 + std::max(w, 0), maxX), y1 = std::min(y0 + std::max(h, 0), maxY);
        for (int y = std::max(y0, 0); y < y1; ++y) {
            const uint32_t* row = bmp->Row(y);
            for (int x = std::max(x0, 0); x < x1; ++x)
                if (IsKeyPixel(row[x]))
                    return true;
        }
        return false;
    };
    int right = r.left + fw - m.MarginRight, bottom = r.top + sh - m.MarginBottom;
    if (scan(r.left, m.MarginLeft, r.top, m.MarginTop) || scan(right, m.MarginRight, r.top, m.MarginTop) ||
        scan(r.left, m.MarginLeft, bottom, m.MarginBottom) || scan(right, m.MarginRight, bottom, m.MarginBottom))
        return 1;
    return 0;
}

const char* const kCommonGlobalMasks[24] = {
    "BOXCHECKED", "BOXUNCHECKED", "BOXGRAYED", "RADIOCHECKED", "RADIOUNCHECKED", "RADIOGRAYED",
    "SMALLCHECKED", "SMALLUNCHECKED", "SMALLGRAYED", "EXBORDER", "GRIPIMAGE", "GRIPHORZ",
    "GRIPVERT", "BICONCLOSE", "BICLOSEALONE", "BICONMAX", "BICONNORM", "BICONMIN",
    "BICONHELP", "SICONCLOSE", "SICONMAX", "SICONNORM", "SICONMIN", "SICONHELP"};

void TsCommonIndexes::Reset()
{
    GlobalInfo = ComboBtn = ComboBtnBorder = ComboBtnPattern = ComboBtnHotPattern = ComboBoxGlyph = WebButton = -1;
    GlobalMasks.fill(-1);
    Tab.fill(-1);
    TabBorder.fill(-1);
    for (auto* a : {&ScrollSection, &ScrollBorder, &ScrollGlyph, &ScrollPattern, &ScrollHotPattern})
        a->fill(-1);
    for (auto* a : {&BarSection, &BarBorder, &BarPattern, &BarHotPattern})
        a->fill(-1);
}

int16_t TsCommonIndexes::Global(const char* name) const
{
    for (int i = 0; i < 24; ++i)
        if (std::strcmp(kCommonGlobalMasks[i], name) == 0)
            return GlobalMasks[size_t(i)];
    return -1;
}

void CutParentCycles(std::vector<int>& parents)
{
    // 0 not seen, 1 on the walk being made, 2 done.
    std::vector<uint8_t> state(parents.size(), 0);
    std::vector<int> path;
    for (size_t start = 0; start < parents.size(); ++start) {
        path.clear();
        int j = int(start);
        while (j >= 0 && state[size_t(j)] == 0) {
            state[size_t(j)] = 1;
            path.push_back(j);
            j = parents[size_t(j)];
        }
        if (j >= 0 && state[size_t(j)] == 1)
            parents[size_t(path.back())] = -1;   // the link that closes the circle
        for (int k : path)
            state[size_t(k)] = 2;
    }
}

void TsSkinTables::ResolveInheritance()
{
    SectionIndexByName.clear();
    SectionIndexByName.reserve(Sections.size());
    for (size_t i = 0; i < Sections.size(); ++i)
        SectionIndexByName.try_emplace(Sections[i].Name, int(i));
    std::vector<int> parents(Sections.size(), -1);
    for (size_t i = 0; i < Sections.size(); ++i) {
        const TsGeneralData& s = Sections[i];
        if (s.ParentClass.empty() || s.ParentClass == s.Name)
            continue;
        auto it = SectionIndexByName.find(s.ParentClass);
        if (it != SectionIndexByName.end())
            parents[i] = it->second;
    }
    CutParentCycles(parents);
    for (size_t i = 0; i < Sections.size(); ++i)
        Sections[i].ParentIndex = parents[i];
}

int TsSkinTables::FindSectionIndex(const std::string& name) const
{
    if (name.empty())
        return -1;
    if (InheritanceResolved()) {
        auto it = SectionIndexByName.find(name);
        return it == SectionIndexByName.end() ? -1 : it->second;
    }
    for (size_t i = 0; i < Sections.size(); ++i)
        if (Sections[i].Name == name)
            return int(i);
    return -1;
}

namespace {

// Walks from a section through its parents and returns the first index
// match() gives. With inheritance resolved it follows ParentIndex (cycles are
// already cut); otherwise it finds each parent by name, at most one step per
// section, so that a cycle ends.
template <class Match>
int WalkParents(const TsSkinTables& t, int sectionIndex, std::string sectionName, Match match)
{
    if (sectionIndex < 0 || sectionName.empty())
        return -1;
    if (t.InheritanceResolved()) {
        int found = match(sectionName);
        if (found >= 0 || !t.IsSectionIndexValid(sectionIndex))
            return found;
        for (int p = t.Sections[size_t(sectionIndex)].ParentIndex; p >= 0; p = t.Sections[size_t(p)].ParentIndex)
            if ((found = match(t.Sections[size_t(p)].Name)) >= 0)
                return found;
        return -1;
    }
    for (size_t steps = 0; steps <= t.Sections.size(); ++steps) {
        int found = match(sectionName);
        if (found >= 0)
            return found;
        if (!t.IsSectionIndexValid(sectionIndex))
            return -1;
        const std::string& parent = t.Sections[size_t(sectionIndex)].ParentClass;
        if (parent.empty() || parent == sectionName)
            return -1;
        int p = t.FindSectionIndex(parent);
        if (p < 0)
            return -1;
        sectionIndex = p;
        sectionName = parent;
    }
    return -1;
}

}  // namespace

int TsSkinTables::FindMaskIndexDirect(const std::string& sectionName, const std::string& maskName) const
{
    for (size_t i = 0; i < Masks.size(); ++i)
        if (Masks[i].SectionName == sectionName && Masks[i].PropertyName == maskName)
            return int(i);
    return -1;
}

int TsSkinTables::FindMaskIndex(int sectionIndex, const std::string& sectionName, const std::string& maskName) const
{
    return WalkParents(*this, sectionIndex, sectionName,
                       [&](const std::string& s) { return FindMaskIndexDirect(s, maskName); });
}

int TsSkinTables::FindTextureIndex(int sectionIndex, const std::string& sectionName,
                                   const std::string& propertyName) const
{
    return WalkParents(*this, sectionIndex, sectionName, [&](const std::string& s) {
        for (size_t i = 0; i < Masks.size(); ++i)
            if (Masks[i].Kind == 1 && Masks[i].SectionName == s && Masks[i].PropertyName == propertyName)
                return int(i);
        return -1;
    });
}

int TsSkinTables::FindPatternIndex(int sectionIndex, const std::string& sectionName,
                                   const std::string& propertyName) const
{
    if (Patterns.empty())
        return -1;
    return WalkParents(*this, sectionIndex, sectionName, [&](const std::string& s) {
        for (size_t i = 0; i < Patterns.size(); ++i)
            if (Patterns[i].SectionName == s && Patterns[i].PropertyName == propertyName)
                return int(i);
        return -1;
    });
}

const PixelBitmap* TsSkinTables::MaskBitmap(int index) const
{
    if (!IsMaskIndexValid(index))
        return nullptr;
    const TsMaskData& m = Masks[size_t(index)];
    return m.Bmp ? m.Bmp.get() : MasterBitmap.get();
}

int TsSkinTables::MaskMarginLeft(int index)
{
    if (!IsMaskIndexValid(index))
        return 0;
    TsMaskData& m = Masks[size_t(index)];
    if (m.MarginLeft > 0) return m.MarginLeft;
    if (m.BorderWidth > 0) return m.BorderWidth;
    if (m.FrameCount == 0) m.FrameCount = 1;
    return MaskFrameWidth(m);
}

int TsSkinTables::MaskMarginRight(int index)
{
    if (!IsMaskIndexValid(index))
        return 0;
    TsMaskData& m = Masks[size_t(index)];
    if (m.MarginRight > 0) return m.MarginRight;
    if (m.BorderWidth > 0) return m.BorderWidth;
    if (m.FrameCount == 0) m.FrameCount = 1;
    return MaskFrameWidth(m);
}

int TsSkinTables::MaskMarginTop(int index)
{
    if (!IsMaskIndexValid(index))
        return 0;
    TsMaskData& m = Masks[size_t(index)];
    if (m.MarginTop > 0) return m.MarginTop;
    if (m.BorderWidth > 0) return m.BorderWidth;
    return MaskStateHeight(m);
}

int TsSkinTables::MaskMarginBottom(int index)
{
    if (!IsMaskIndexValid(index))
        return 0;
    TsMaskData& m = Masks[size_t(index)];
    if (m.MarginBottom > 0) return m.MarginBottom;
    if (m.BorderWidth > 0) return m.BorderWidth;
    return MaskStateHeight(m);
}

void TsSkinTables::CacheSectionIndexes()
{
    ResolveInheritance();
    // The first mask (and the first texture mask) of each section and property.
    std::unordered_map<std::string, int> masks, textures;
    auto key = [](const std::string& section, const char* property) { return section + '\n' + property; };
    for (size_t i = Masks.size(); i-- > 0;) {
        std::string k = key(Masks[i].SectionName, Masks[i].PropertyName.c_str());
        masks[k] = int(i);
        if (Masks[i].Kind == 1)
            textures[k] = int(i);
    }
    // Per section, its own index or the nearest ancestor's: every section is
    // settled once, with the sections its walk passed.
    constexpr int kUnsettled = -2;
    std::vector<int> path;
    auto inherited = [&](const std::unordered_map<std::string, int>& own, const char* property) {
        std::vector<int> out(Sections.size(), kUnsettled);
        for (size_t i = 0; i < Sections.size(); ++i) {
            path.clear();
            int found = -1;
            for (int j = int(i); j >= 0; j = Sections[size_t(j)].ParentIndex) {
                if (out[size_t(j)] != kUnsettled) {
                    found = out[size_t(j)];
                    break;
                }
                path.push_back(j);
                if (Sections[size_t(j)].Name.empty())
                    break;   // a nameless section has no masks
                auto it = own.find(key(Sections[size_t(j)].Name, property));
                if (it != own.end()) {
                    found = it->second;
                    break;
                }
            }
            for (int k : path)
                out[size_t(k)] = found;
        }
        return out;
    };
    std::vector<int> border = inherited(masks, "BORDERSMASK"), topLeft = inherited(masks, "IMGTOPLEFT"),
                     topRight = inherited(masks, "IMGTOPRIGHT"), bottomLeft = inherited(masks, "IMGBTMLEFT"),
                     bottomRight = inherited(masks, "IMGBTMRIGHT"), pattern = inherited(textures, "PATTERN"),
                     hotPattern = inherited(textures, "HOTPATTERN");
    for (size_t i = 0; i < Sections.size(); ++i) {
        TsGeneralData& s = Sections[i];
        if (s.Name == "GLOBALINFO")
            continue;
        s.BorderMaskIndex = border[i];
        s.ImgTopLeft = topLeft[i];
        s.ImgTopRight = topRight[i];
        s.ImgBottomLeft = bottomLeft[i];
        s.ImgBottomRight = bottomRight[i];
        s.PatternIndex = pattern[i];
        s.Props[0].TextureIndex = s.PatternIndex;
        if (s.States > 1)
            s.Props[1].TextureIndex = hotPattern[i];
    }
}

void TsSkinTables::CacheCommonMaskIndexes()
{
    TsCommonIndexes& c = Common;
    c.Reset();
    c.GlobalInfo = int16_t(FindSectionIndex("GLOBALINFO"));
    if (c.GlobalInfo >= 0)
        for (size_t i = 0; i < 24; ++i)
            c.GlobalMasks[i] = int16_t(FindMaskIndex(c.GlobalInfo, "GLOBALINFO", kCommonGlobalMasks[i]));
    c.ComboBtn = int16_t(FindSectionIndex("COMBOBTN"));
    c.ComboBtnBorder = int16_t(FindMaskIndex(c.ComboBtn, "COMBOBTN", "BORDERSMASK"));
    c.ComboBtnPattern = int16_t(FindTextureIndex(c.ComboBtn, "COMBOBTN", "PATTERN"));
    c.ComboBtnHotPattern = int16_t(FindTextureIndex(c.ComboBtn, "COMBOBTN", "HOTPATTERN"));
    c.ComboBoxGlyph = int16_t(FindMaskIndexDirect("COMBOBOX", "GLYPHMASK"));
    static const char* const tabs[tsCount] = {"TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"};
    for (size_t i = 0; i < tsCount; ++i) {
        c.Tab[i] = int16_t(FindSectionIndex(tabs[i]));
        c.TabBorder[i] = int16_t(FindMaskIndex(c.Tab[i], tabs[i], "BORDERSMASK"));
    }
    static const char* const scrolls[spCount] = {"SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBTNLEFT",
                                                 "SCROLLBTNRIGHT", "SCROLLSLIDERV", "SCROLLSLIDERH"};
    for (size_t i = 0; i < spCount; ++i) {
        int s = FindSectionIndex(scrolls[i]);
        c.ScrollSection[i] = int16_t(s);
        c.ScrollBorder[i] = int16_t(FindMaskIndex(s, scrolls[i], "BORDERSMASK"));
        c.ScrollGlyph[i] = int16_t(s >= 0 ? FindMaskIndex(s, scrolls[i], "GLYPHMASK") : -1);
        c.ScrollPattern[i] = int16_t(FindMaskIndex(s, scrolls[i], "PATTERN"));
        c.ScrollHotPattern[i] = int16_t(FindMaskIndex(s, scrolls[i], "HOTPATTERN"));
    }
    static const char* const bars[sbCount] = {"SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR2V"};
    for (size_t i = 0; i < sbCount; ++i) {
        int s = FindSectionIndex(bars[i]);
        c.BarSection[i] = int16_t(s);
        c.BarBorder[i] = int16_t(FindMaskIndex(s, bars[i], "BORDERSMASK"));
        c.BarPattern[i] = int16_t(FindMaskIndex(s, bars[i], "PATTERN"));
        c.BarHotPattern[i] = int16_t(FindMaskIndex(s, bars[i], "HOTPATTERN"));
    }
    c.WebButton = int16_t(FindSectionIndex("WEBBUTTON"));
    CacheSectionIndexes();
}

void TsSkinTables::Clear()
{
    Masks.clear();
    MasterBitmap.reset();
    Patterns.clear();
    Sections.clear();
    SectionIndexByName.clear();
    Common.Reset();
}
