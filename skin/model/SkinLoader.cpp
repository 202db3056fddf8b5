#include "skin/model/SkinLoader.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "skin/graphics/SkinError.h"
#include "skin/model/SkinFiles.h"
#include "skin/model/SkinImages.h"

using namespace skincolor;

namespace {

const char* const kGlobal = "GLOBALINFO";

bool Contains(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }

int StrictInt(const std::string& text)
{
    int v;
    if (!SkinIni::ParseInt(text, v))
        throw SkinError(SkinErrorKind::Convert, ConvertErrorText(text));
    return v;
}

// Copy(value, column, length) with 1-based columns, then a strict conversion.
int Column(const std::string& value, size_t column, size_t length)
{
    std::string part = column - 1 < value.size() ? value.substr(column - 1, length) : std::string();
    return StrictInt(part);
}

int LenientInt(const std::string& text)
{
    int v;
    return SkinIni::ParseInt(text, v) ? v : 0;
}

// A value found in an ancestor goes through ColorToRGB; plain negative numbers
// that are not system colours are left alone.
int InheritedValue(int v) { return IsSystemColor(v) ? ColorToRGB(v) : v; }

// Reads a section's keys with PARENTCLASS inheritance. The parent of every
// section is found once, with cycles cut as the tables cut them; for each key
// the section of the chain that holds it is settled once per section, so a
// load reads all sections in time linear in them, however long the chains.
class SectionReader {
public:
    explicit SectionReader(const SkinIni& ini) : ini_(ini), names_(ini.Sections())
    {
        for (size_t i = 0; i < names_.size(); ++i)
            index_.try_emplace(names_[i], int(i));
        parents_.assign(names_.size(), -1);
        for (size_t i = 0; i < names_.size(); ++i) {
            std::string parent = ini_.ReadString(names_[i], "PARENTCLASS", "");
            auto it = index_.find(parent);
            if (parent != "?" && parent != names_[i] && it != index_.end())
                parents_[i] = it->second;
        }
        CutParentCycles(parents_);
    }

    // A number other than -1, from the section or its nearest ancestor that
    // has one; an ancestor's goes through InheritedValue.
    int Int(const std::string& section, const std::string& key, int def) const
    {
        auto [own, at] = Holder(section, key, true);
        if (at < 0)
            return def;
        int v = ini_.ReadInteger(names_[size_t(at)], key, -1);
        return at == own ? v : InheritedValue(v);
    }
    // Any text but "?", from the section or its nearest ancestor.
    std::string Str(const std::string& section, const std::string& key, const std::string& def) const
    {
        int at = Holder(section, key, false).second;
        return at < 0 ? def : ini_.ReadString(names_[size_t(at)], key, def);
    }
    bool Bool(const std::string& section, const std::string& key) const
    {
        std::string v = UpperAscii(Str(section, key, "0"));
        return v == "1" || v == "TRUE";
    }

private:
    // The index of the section and of the first section of its chain that
    // holds the key (-1: none).
    std::pair<int, int> Holder(const std::string& section, const std::string& key, bool number) const
    {
        auto found = index_.find(section);
        if (found == index_.end())
            return {-1, -1};
        std::vector<int>& holder = settled_[(number ? "#" : "$") + key];
        if (holder.empty())
            holder.assign(names_.size(), kUnsettled);
        auto holds = [&](int i) {
            const std::string& name = names_[size_t(i)];
            return number ? ini_.ReadInteger(name, key, -1) != -1 : ini_.ReadString(name, key, "?") != "?";
        };
        int at = -1;
        path_.clear();
        for (int j = found->second; j >= 0; j = parents_[size_t(j)]) {
            if (holder[size_t(j)] != kUnsettled) {
                at = holder[size_t(j)];
                break;
            }
            path_.push_back(j);
            if (holds(j)) {
                at = j;
                break;
            }
        }
        for (int k : path_)
            holder[size_t(k)] = at;
        return {found->second, at};
    }

    static constexpr int kUnsettled = -2;
    const SkinIni& ini_;
    const std::vector<std::string>& names_;
    std::unordered_map<std::string, int> index_;
    std::vector<int> parents_;
    mutable std::unordered_map<std::string, std::vector<int>> settled_;
    mutable std::vector<int> path_;
};

std::string NormalImageName(const std::string& name)
{
    std::string n = UpperAscii(name);
    std::replace(n.begin(), n.end(), '/', '\\');
    return n;
}

}  // namespace

void FillOpaqueAlpha(PixelBitmap& b)
{
    for (int y = 0; y < b.Height(); ++y) {
        uint32_t* row = b.Row(y);
        for (int x = 0; x < b.Width(); ++x)
            if (!IsKeyPixel(row[x]))
                row[x] |= 0xFF000000u;
    }
}

void ZeroWhitePixels(PixelBitmap& b)
{
    for (int y = 0; y < b.Height(); ++y) {
        uint32_t* row = b.Row(y);
        for (int x = 0; x < b.Width(); ++x)
            if (row[x] == 0x00FFFFFFu)
                row[x] = 0;
    }
}

void PremultiplyAlpha(PixelBitmap& b)
{
    for (int y = 0; y < b.Height(); ++y) {
        uint32_t* row = b.Row(y);
        for (int x = 0; x < b.Width(); ++x) {
            uint32_t v = row[x], a = v >> 24;
            if (a == 255)
                continue;
            auto ch = [&](int s) { return ((((v >> s) & 0xFF) * a + 127) / 255) << s; };
            row[x] = (a << 24) | ch(16) | ch(8) | ch(0);
        }
    }
}

bool SkinLoader::IsTextKey(const std::string& key)
{
    return key == "AUTHOR" || key == "DESCRIPTION" || key == "VERSION" || key == "PARENTCLASS" ||
           key == "GRADIENTDATA" || key == "HOTGRADIENTDATA";
}

SkinLoader::SkinLoader(TsSkinTables& tables, const SkinIni& ini, const TkvSkinConvertor* pack, std::string folder,
                       const SkinLoadSettings& settings)
    : t_(tables), ini_(ini), pack_(pack), folder_(std::move(folder)), settings_(settings),
      pixelsLeft_(std::max<int64_t>(settings.PixelBudget, 0))
{
}

std::string SkinLoader::FilePath(const std::string& name) const
{
    return name.find(':') != std::string::npos ? name : folder_ + name;
}

bool SkinLoader::ReadImageBytes(const std::string& name, std::string& out, bool filesOnly) const
{
    if (pack_ && !filesOnly) {
        const TkvImageItem* item = pack_->FindImage(name);
        if (!item)
            return false;
        out = item->Data;
        return true;
    }
    std::string path = FilePath(name);
    if (!SkinFiles::FileExists(path))
        return false;
    out = SkinFiles::ReadFile(path);
    return true;
}

void SkinLoader::ClipToImage(TsMaskData& m) const
{
    if (const PixelBitmap* bmp = m.Bmp ? m.Bmp.get() : t_.MasterBitmap.get())
        ClipMaskRect(m, bmp->Width(), bmp->Height());
    else
        m.SourceRect = px::Rect{};
}

void SkinLoader::AddMask(TsMaskData m)
{
    m.Manager = settings_.Manager;
    ClipToImage(m);
    // Every mask, whatever its kind or form: a texture or glyph with margins
    // and key-coloured corners is as see-through there as a border.
    m.CornerTransparency = ComputeCornerTransparency(m, m.Bmp ? m.Bmp.get() : t_.MasterBitmap.get());
    t_.Masks.push_back(std::move(m));
}

TsBitmapRef SkinLoader::Image(const std::string& name, ImageKind kind, bool filesOnly)
{
    bool fromPack = pack_ && !filesOnly;
    std::string key = std::string(1, char('0' + int(kind))) + (fromPack ? "P" : "F") +
                      NormalImageName(fromPack ? name : FilePath(name));
    auto cached = images_.find(key);
    if (cached != images_.end())
        return cached->second;   // null too: a missing file is looked for once
    std::string bytes;
    TsBitmapRef b;
    if (ReadImageBytes(name, bytes, filesOnly)) {
        // The declared size is checked first; the decoders' own limit holds
        // even where a header says one size and the picture has another.
        if (DeclaredImagePixels(bytes) > pixelsLeft_)
            throw SkinError(SkinErrorKind::TooLarge, "The skin's images are too large: with \"" + name +
                                                         "\" they need more than " +
                                                         std::to_string(settings_.PixelBudget) + " pixels");
        switch (kind) {
        case ImageKind::Master:
        case ImageKind::Bmp:
            b = DecodeBmp(bytes, pixelsLeft_);
            FillOpaqueAlpha(*b);
            break;
        case ImageKind::Png:
            b = DecodePng(bytes, pixelsLeft_);
            if (t_.SkinData.Version <= 7.45)
                ZeroWhitePixels(*b);
            else
                PremultiplyAlpha(*b);
            break;
        case ImageKind::Jpeg:   // opaque as decoded
            b = DecodeJpeg(bytes, pixelsLeft_);
            break;
        }
        if (b)
            pixelsLeft_ -= int64_t(b->Width()) * b->Height();
    }
    images_.emplace(std::move(key), b);
    return b;
}

void SkinLoader::Load()
{
    ReadVersion();
    LoadSkinImages();
    LoadSkinPatterns();
    LoadSkinSections();
    t_.CacheCommonMaskIndexes();
}

void SkinLoader::ReadVersion()
{
    std::string v = ini_.ReadString(kGlobal, "VERSION", "0");
    double d = 0;
    const char* b = v.data();
    while (b < v.data() + v.size() && *b == ' ')
        ++b;
    auto [ptr, ec] = std::from_chars(b, v.data() + v.size(), d);
    t_.SkinData.Version = (ec == std::errc() && ptr == v.data() + v.size()) ? d : 0;
    if (settings_.OnVersion)
        settings_.OnVersion(t_.SkinData.Version);
}

void SkinLoader::LoadSkinImages()
{
    // Master bitmap.
    // The master bitmap is recoloured in place, with areas kept: it shares
    // its pixels with no other value.
    std::string master = ini_.ReadString(kGlobal, "MASTERBITMAP", "");
    if (!master.empty())
        t_.MasterBitmap = Image(master, ImageKind::Master);
    for (const std::string& section : ini_.Sections()) {
        for (const auto& [key, value] : *ini_.Entries(section)) {
            if ((section == kGlobal && key == "MASTERBITMAP") || IsTextKey(key) || value.empty())
                continue;
            ReadImageValue(section, key, value);
        }
    }
    ApplyCommonImages();
}

void SkinLoader::ReadImageValue(const std::string& section, const std::string& key, const std::string& value)
{
    double version = t_.SkinData.Version;
    char form = value[0];
    if (form == '!') {
        std::vector<std::string> f;   // f[0] is the file
        size_t pos = 1;
        while (true) {
            size_t end = value.find('!', pos);
            f.push_back(value.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
            if (end == std::string::npos)
                break;
            pos = end + 1;
        }
        const std::string& file = f[0];
        bool png = Contains(file, ".PNG"), bmp = Contains(file, ".BMP");   // case as written
        if (!png && !bmp)
            return;
        TsBitmapRef b = Image(file, png ? ImageKind::Png : ImageKind::Bmp);
        if (!b)
            return;
        auto field = [&](size_t i, TsNumberRange r) { return Bounded(i < f.size() ? LenientInt(f[i]) : 0, r); };
        TsMaskData m;
        m.SectionName = section;
        m.PropertyName = key;
        m.Kind = uint8_t(field(3, TsNumberRange{0, 4}));
        m.FrameCount = int16_t(field(1, SkinRange::Frames));
        m.StateLayout = int16_t(field(2, SkinRange::StateLayout));
        m.SourceRect = px::Rect{0, 0, b->Width(), b->Height()};
        if (f.size() < 5) {
            // A divisor of 0 (0 frames, or layout -1) counts as 1.
            int fd = m.FrameCount * 3, sd = (m.StateLayout + 1) * 3;
            if (fd == 0) fd = 1;
            if (sd == 0) sd = 1;
            m.MarginLeft = m.MarginRight = int16_t(b->Width() / fd);
            m.MarginTop = m.MarginBottom = int16_t(b->Height() / sd);
        } else {
            m.MarginLeft = int16_t(field(4, SkinRange::Margin));
            m.MarginTop = int16_t(field(5, SkinRange::Margin));
            m.MarginRight = int16_t(field(6, SkinRange::Margin));
            m.MarginBottom = int16_t(field(7, SkinRange::Margin));
        }
        m.PaintFlags = int16_t(f.size() < 9 ? 1 : field(8, SkinRange::PaintFlags));
        m.Bmp = std::move(b);
        AddMask(std::move(m));
        return;
    }
    if (form == '@' || form == '^' || form == '~') {
        TsMaskData m;
        m.SectionName = section;
        m.PropertyName = key;
        auto column = [&](size_t at, size_t length, TsNumberRange r) { return int16_t(Bounded(Column(value, at, length), r)); };
        m.SourceRect = px::Rect{column(2, 4, SkinRange::Coordinate), column(7, 4, SkinRange::Coordinate),
                              column(12, 4, SkinRange::Coordinate), column(17, 4, SkinRange::Coordinate)};
        if (form == '@') {
            m.Kind = 2;
            m.FrameCount = column(22, 1, SkinRange::Frames);
            m.StateLayout = column(24, 1, SkinRange::StateLayout);
            AddMask(std::move(m));
        } else if (form == '~') {
            m.Kind = 1;
            m.FrameCount = 1;
            m.PaintFlags = column(22, 2, SkinRange::PaintFlags);
            m.StateLayout = int16_t(value.size() >= 25 ? column(25, 1, SkinRange::StateLayout) : 0);
            AddMask(std::move(m));
        } else {
            m.Kind = 0;
            m.MarginLeft = column(22, 4, SkinRange::Margin);
            m.MarginTop = column(27, 4, SkinRange::Margin);
            m.MarginRight = column(32, 4, SkinRange::Margin);
            m.MarginBottom = column(37, 4, SkinRange::Margin);
            m.FrameCount = column(42, 1, SkinRange::Frames);
            m.StateLayout = column(44, 1, SkinRange::StateLayout);
            m.PaintFlags = column(46, 1, SkinRange::PaintFlags);
            m.BorderWidth = column(48, 1, SkinRange::Margin);
            ClipToImage(m);
            int fw = MaskFrameWidth(m), sh = MaskStateHeight(m);
            if (version < 7.4 && m.StateLayout > 0) {
                if (fw - m.MarginLeft - m.MarginRight == 1 && sh - m.MarginTop - m.MarginBottom == 1)
                    m.PaintFlags = int16_t(m.PaintFlags | 1);
                else
                    m.PaintFlags = int16_t(m.PaintFlags & ~1);
            }
            if (m.MarginLeft + m.MarginTop + m.MarginRight + m.MarginBottom == 0) {
                if (m.BorderWidth != 0) {
                    m.MarginLeft = m.MarginTop = m.MarginRight = m.MarginBottom = m.BorderWidth;
                } else {
                    m.MarginLeft = m.MarginRight = int16_t(fw / 3);
                    m.MarginTop = m.MarginBottom = int16_t(sh / 3);
                }
            }
            AddMask(std::move(m));
        }
        return;
    }
    if (value.find('#') != std::string::npos) {
        if (value != "#")
            ReadHashValue(section, key, value, false);
        return;
    }
    // Old form: an image file of its own.
    std::string upper = UpperAscii(value);
    if (!Contains(upper, ".BMP"))
        return;
    TsBitmapRef b = Image(value, ImageKind::Bmp);
    if (!b)
        return;
    TsMaskData m;
    m.SectionName = UpperAscii(section);
    m.PropertyName = UpperAscii(key);
    m.Kind = 0;
    m.FrameCount = 3;
    m.StateLayout = 1;
    m.SourceRect = px::Rect{0, 0, b->Width(), b->Height()};
    m.MarginLeft = m.MarginRight = int16_t(MaskFrameWidth(m) / 3);
    m.MarginTop = m.MarginBottom = int16_t(MaskStateHeight(m) / 3);
    m.Bmp = std::move(b);
    AddMask(std::move(m));
}

// "#(left,top,right,bottom)(frames,layout,border width,paint flags)": words
// are split at parentheses (blank words skipped), numbers at blanks or commas.
void SkinLoader::ReadHashValue(const std::string& section, const std::string& key, const std::string& value,
                               bool thirds)
{
    std::vector<std::string> words;
    std::string cur;
    auto flush = [&] {
        size_t b = cur.find_first_not_of(' '), e = cur.find_last_not_of(' ');
        if (b != std::string::npos)
            words.push_back(cur.substr(b, e - b + 1));
        cur.clear();
    };
    for (char c : value) {
        if (c == '(' || c == ')')
            flush();
        else
            cur.push_back(c);
    }
    flush();
    auto numbers = [](const std::string& w) {
        std::vector<int> n;
        std::string x;
        for (size_t i = 0; i <= w.size(); ++i) {
            if (i == w.size() || w[i] == ',' || w[i] == ' ') {
                if (!x.empty())
                    n.push_back(StrictInt(x));
                x.clear();
            } else {
                x.push_back(w[i]);
            }
        }
        return n;
    };
    std::vector<int> r = words.size() > 1 ? numbers(words[1]) : std::vector<int>{};
    std::vector<int> p = words.size() > 2 ? numbers(words[2]) : std::vector<int>{};
    r.resize(4, 0);
    TsMaskData m;
    m.SectionName = UpperAscii(section);
    m.PropertyName = UpperAscii(key);
    m.Kind = 0;
    using namespace SkinRange;
    m.SourceRect = px::Rect{Bounded(r[0], Coordinate), Bounded(r[1], Coordinate), Bounded(r[2], Coordinate),
                          Bounded(r[3], Coordinate)};
    m.FrameCount = int16_t(Bounded(std::max(p.size() > 0 ? p[0] : 1, 1), Frames));
    m.StateLayout = int16_t(Bounded(std::max(p.size() > 1 ? p[1] : 0, 0), StateLayout));
    m.BorderWidth = int16_t(Bounded(p.size() > 2 ? p[2] : 0, Margin));
    m.PaintFlags = int16_t(Bounded(p.size() > 3 ? p[3] : 1, PaintFlags));
    ClipToImage(m);
    if (m.BorderWidth != 0) {
        m.MarginLeft = m.MarginTop = m.MarginRight = m.MarginBottom = m.BorderWidth;
    } else {
        int fw = MaskFrameWidth(m), sh = MaskStateHeight(m);
        if (thirds) {
            fw /= 3;
            sh /= 3;
        }
        m.MarginLeft = m.MarginRight = int16_t(fw);
        m.MarginTop = m.MarginBottom = int16_t(sh);
    }
    AddMask(std::move(m));
}

void SkinLoader::ApplyCommonImages()
{
    const SkinIni* cs = settings_.CommonSections;
    if (!cs)
        return;
    for (const std::string& section : cs->Sections()) {
        if (EqualNoCase(section, kGlobal))
            continue;
        for (const auto& [key, raw] : *cs->Entries(section)) {
            if (IsTextKey(key))
                continue;
            std::string value = raw.empty() ? "-" : raw;
            if (value.find('#') != std::string::npos) {
                if (value != "#")
                    ReadHashValue(section, key, value, true);
                continue;
            }
            if (!Contains(UpperAscii(value), ".BMP"))
                continue;
            TsBitmapRef b = Image(value, ImageKind::Bmp, true);
            if (!b)
                continue;
            TsMaskData m;
            m.SectionName = UpperAscii(section);
            m.PropertyName = UpperAscii(key);
            m.SourceRect = px::Rect{0, 0, b->Width(), b->Height()};
            m.Bmp = std::move(b);
            AddMask(std::move(m));
        }
    }
}

void SkinLoader::LoadSkinPatterns()
{
    for (const std::string& section : ini_.Sections()) {
        for (const auto& [key, value] : *ini_.Entries(section)) {
            if (IsTextKey(key) || value.empty())
                continue;
            std::string upper = UpperAscii(value);
            if (!Contains(upper, ".JPG") && !Contains(upper, ".JPEG"))
                continue;
            TsBitmapRef img = Image(value, ImageKind::Jpeg);
            if (!img || img->Width() <= 0)
                continue;
            if (int64_t(img->Width()) * img->Height() > 899999) {
                t_.Patterns.push_back(TsPatternData{std::move(img), UpperAscii(section), UpperAscii(key)});
            } else {
                TsMaskData m;
                m.SectionName = UpperAscii(section);
                m.PropertyName = UpperAscii(key);
                m.Kind = 1;
                m.FrameCount = 1;
                m.SourceRect = px::Rect{0, 0, img->Width(), img->Height()};
                m.Bmp = std::move(img);
                AddMask(std::move(m));
            }
        }
    }
    ApplyCommonPatterns();
}

void SkinLoader::ApplyCommonPatterns()
{
    const SkinIni* cs = settings_.CommonSections;
    if (!cs)
        return;
    for (const std::string& section : cs->Sections())
        for (const auto& [key, value] : *cs->Entries(section)) {
            std::string upper = UpperAscii(value);
            if (IsTextKey(key) || (!Contains(upper, ".JPG") && !Contains(upper, ".JPEG")))
                continue;
            TsBitmapRef img = Image(value, ImageKind::Jpeg, true);
            if (img && img->Width() > 0)
                t_.Patterns.push_back(TsPatternData{std::move(img), UpperAscii(section), UpperAscii(key)});
        }
}

namespace {

// Reads every key of a section into g; r supplies values (with or without
// inheritance), defaults come from g as it stands.
template <class Reader>
void ReadSectionKeys(TsGeneralData& g, const Reader& r, bool commonSection)
{
    using namespace SkinRange;
    auto num = [&](const char* key, int def, TsNumberRange range) { return Bounded(r.Int(key, def), range); };
    g.IniColor = ColorToRGB(r.Int("COLOR", g.IniColor));
    g.ReservedBoolean = r.Bool("RESERVEDBOOLEAN", g.ReservedBoolean);
    g.GiveOwnFont = r.Bool("GIVEOWNFONT", g.GiveOwnFont);
    g.Glow = num("GLOW", g.Glow, Byte);
    g.GlowMargin = num("GLOWMARGIN", g.GlowMargin, Offset);
    g.IniFontColor = r.Int("FONTCOLOR", g.IniFontColor);
    g.IniTCLeft = r.Int("TCLEFT", g.IniTCLeft);
    g.IniTCTop = r.Int("TCTOP", g.IniTCTop);
    g.IniTCRight = r.Int("TCRIGHT", g.IniTCRight);
    g.IniTCBottom = r.Int("TCBOTTOM", g.IniTCBottom);
    g.IniTransparency = num("TRANSPARENCY", g.IniTransparency, Percent);
    g.IniGradientPercent = num("GRADIENTPERCENT", g.IniGradientPercent, Percent);
    g.IniImagePercent = num("IMAGEPERCENT", g.IniImagePercent, Percent);
    g.IniGradientData = r.Str("GRADIENTDATA", g.IniGradientData);
    bool showFocus = r.Bool("SHOWFOCUS", g.ShowFocus);
    g.ShowFocus = commonSection ? showFocus : true;
    g.FadingEnabled = r.Bool("FADINGENABLED", g.FadingEnabled);
    g.FadingIterations = num("FADINGITERATIONS", g.FadingIterations, Iterations);
    g.IniGlowColor = ColorToRGB(r.Int("GCOL", g.IniGlowColor));
    g.IniGlowSize = uint8_t(num("GSIZE", g.IniGlowSize, Byte));
    g.States = Bounded(r.States(g.States), States);
    if (g.States >= 2) {
        g.IniHotFontColor = r.Int("HOTFONTCOLOR", g.IniHotFontColor);
        g.IniHotTCLeft = r.Int("HOTTCLEFT", g.IniHotTCLeft);
        g.IniHotTCTop = r.Int("HOTTCTOP", g.IniHotTCTop);
        g.IniHotTCRight = r.Int("HOTTCRIGHT", g.IniHotTCRight);
        g.IniHotTCBottom = r.Int("HOTTCBOTTOM", g.IniHotTCBottom);
        g.IniHotGlowColor = ColorToRGB(r.Int("HGCOL", g.IniHotGlowColor));
        g.IniHotGlowSize = uint8_t(num("HGSIZE", g.IniHotGlowSize, Byte));
        g.IniHotColor = r.Int("HOTCOLOR", g.IniHotColor);
        g.IniHotTransparency = num("HOTTRANSPARENCY", g.IniHotTransparency, Percent);
        g.IniHotGradientPercent = num("HOTGRADIENTPERCENT", g.IniHotGradientPercent, Percent);
        g.IniHotGradientData = r.Str("HOTGRADIENTDATA", g.IniHotGradientData);
        g.IniHotImagePercent = num("HOTIMAGEPERCENT", g.IniHotImagePercent, Percent);
    }
}

// Parses the gradient strings and builds Props from the Ini... values.
void BuildProps(TsGeneralData& g)
{
    auto parse = [](const std::string& data, int32_t& percent, TsGradArrayRef& array) {
        if (data.size() < 2) {
            percent = 0;
            array = std::make_shared<TsGradArray>();
            return;
        }
        array = ParseGradientData(data);
        if (array->empty())   // a string with no whole stop paints no gradient
            percent = 0;
    };
    parse(g.IniGradientData, g.IniGradientPercent, g.IniGradientArray);
    TsGenState& n = g.Props[0];
    n.Color = g.IniColor;
    n.FontColor = g.IniFontColor;
    n.TCLeft = g.IniTCLeft;
    n.TCTop = g.IniTCTop;
    n.TCRight = g.IniTCRight;
    n.TCBottom = g.IniTCBottom;
    n.Transparency = g.IniTransparency;
    n.GradientPercent = g.IniGradientPercent;
    n.GradientData = g.IniGradientData;
    n.GradientArray = g.IniGradientArray;
    n.ImagePercent = g.IniImagePercent;
    n.GlowColor = g.IniGlowColor;
    n.GlowSize = g.IniGlowSize;
    if (g.States < 2) {
        // One state: the hot state is a copy of the normal state.
        g.IniHotColor = g.IniColor;
        g.IniHotFontColor = g.IniFontColor;
        g.IniHotTCLeft = g.IniTCLeft;
        g.IniHotTCTop = g.IniTCTop;
        g.IniHotTCRight = g.IniTCRight;
        g.IniHotTCBottom = g.IniTCBottom;
        g.IniHotTransparency = g.IniTransparency;
        g.IniHotGradientPercent = g.IniGradientPercent;
        g.IniHotGradientData = g.IniGradientData;
        g.IniHotGradientArray = g.IniGradientArray;
        g.IniHotImagePercent = g.IniImagePercent;
        g.IniHotGlowColor = g.IniGlowColor;
        g.IniHotGlowSize = g.IniGlowSize;
    } else {
        parse(g.IniHotGradientData, g.IniHotGradientPercent, g.IniHotGradientArray);
    }
    TsGenState& h = g.Props[1];
    int32_t hotTexture = h.TextureIndex;
    h = TsGenState{};
    h.TextureIndex = hotTexture;
    h.Color = g.IniHotColor;
    h.FontColor = g.IniHotFontColor;
    h.TCLeft = g.IniHotTCLeft;
    h.TCTop = g.IniHotTCTop;
    h.TCRight = g.IniHotTCRight;
    h.TCBottom = g.IniHotTCBottom;
    h.Transparency = g.IniHotTransparency;
    h.GradientPercent = g.IniHotGradientPercent;
    h.GradientData = g.IniHotGradientData;
    h.GradientArray = g.IniHotGradientArray;
    h.ImagePercent = g.IniHotImagePercent;
    h.GlowColor = g.IniHotGlowColor;
    h.GlowSize = g.IniHotGlowSize;
}

struct InheritingReader {
    const SectionReader& r;
    const std::string& section;
    int Int(const char* key, int def) const { return r.Int(section, key, def); }
    std::string Str(const char* key, const std::string& def) const { return r.Str(section, key, def); }
    bool Bool(const char* key, bool) const { return r.Bool(section, key); }
    int States(int def) const { return r.Int(section, "STATES", def); }
};

// CommonSections entries: no inheritance; STATES comes from the skin's options.
struct CommonReader {
    const SkinIni& cs;
    const std::string& section;
    const SectionReader& skin;
    int Int(const char* key, int def) const { return cs.ReadInteger(section, key, def); }
    std::string Str(const char* key, const std::string& def) const { return cs.ReadString(section, key, def); }
    bool Bool(const char* key, bool def) const
    {
        std::string v = UpperAscii(cs.ReadString(section, key, def ? "1" : "0"));
        return v == "1" || v == "TRUE";
    }
    int States(int def) const { return skin.Int(section, "STATES", 3); }
};

}  // namespace

void SkinLoader::LoadSkinSections()
{
    SectionReader reader(ini_);
    for (const std::string& section : ini_.Sections()) {
        TsGeneralData g;
        g.Name = section;
        g.ParentClass = ini_.ReadString(section, "PARENTCLASS", "");
        g.IniGradientData = " ";
        g.IniHotGradientData = "";
        ReadSectionKeys(g, InheritingReader{reader, section}, false);
        BuildProps(g);
        t_.Sections.push_back(std::move(g));
    }
    ReadHeader();
    if (settings_.OnVersion)
        settings_.OnVersion(t_.SkinData.Version);
    ApplyCommonSections();
    t_.CacheSectionIndexes();
    ReadPalette();
    ApplyHueOffset(t_, settings_.HueOffset);
    ApplySaturation(t_, settings_.Saturation);
}

void SkinLoader::ApplyCommonSections()
{
    const SkinIni* cs = settings_.CommonSections;
    if (!cs)
        return;
    SectionReader skin(ini_);
    for (const std::string& section : cs->Sections()) {
        int index = t_.FindSectionIndex(section);
        TsGeneralData g;
        if (index >= 0) {
            g = t_.Sections[size_t(index)];
        } else {
            g.Name = section;
            g.ParentClass = UpperAscii(cs->ReadString(section, "PARENTCLASS", "-1"));
            int parent = -1;
            for (size_t i = 0; i < t_.Sections.size(); ++i)
                if (UpperAscii(t_.Sections[i].Name) == g.ParentClass) {
                    parent = int(i);
                    break;
                }
            if (parent >= 0) {
                g = t_.Sections[size_t(parent)];
                g.Name = section;
                g.ParentClass = UpperAscii(cs->ReadString(section, "PARENTCLASS", "-1"));
            } else {
                g.IniFontColor = g.IniHotFontColor = -1;
                g.FadingIterations = -1;
                g.IniGradientData = " ";
            }
            g.BorderMaskIndex = g.ImgTopLeft = g.ImgTopRight = g.ImgBottomLeft = g.ImgBottomRight = -1;
            g.PatternIndex = -1;
            g.Props[0].TextureIndex = g.Props[1].TextureIndex = -1;
        }
        ReadSectionKeys(g, CommonReader{*cs, section, skin}, true);
        BuildProps(g);
        if (index >= 0)
            t_.Sections[size_t(index)] = std::move(g);
        else
            t_.Sections.push_back(std::move(g));
    }
}

void SkinLoader::ReadHeader()
{
    TsSkinData& d = t_.SkinData;
    const SkinIni& i = ini_;
    using SkinRange::Offset;
    auto num = [&](const char* key, int def) { return int16_t(Bounded(i.ReadInteger(kGlobal, key, def), Offset)); };
    auto strict = [&](const char* key, const char* def) {
        return int16_t(Bounded(StrictInt(i.ReadString(kGlobal, key, def)), Offset));
    };
    d.Author = i.ReadString(kGlobal, "AUTHOR", "");
    d.Description = i.ReadString(kGlobal, "DESCRIPTION", "");
    d.BorderWidth = num("BORDERWIDTH", 4);
    d.TitleHeight = num("TITLEHEIGHT", 30);
    if (d.TitleHeight == 0)
        d.TitleHeight = 30;
    d.MaxTitleHeight = num("MAXHEIGHT", 0);
    if (d.MaxTitleHeight == 0)
        d.MaxTitleHeight = d.TitleHeight;
    d.FormOffset = num("FORMOFFSET", settings_.SystemFrameWidth);
    d.CenterOffset = num("CENTEROFFSET", 0);
    d.BorderMode = num("BORDERMODE", 0);
    d.AlignOffset = num("ALIGNOFFSET", 0);
    auto align = [&](const char* key) {
        int v = i.ReadInteger(kGlobal, key, -1);
        return v == -1 ? d.AlignOffset : int16_t(Bounded(v, Offset));
    };
    d.AlignOffsetRight = align("ALIGNOFFSETR");
    d.AlignOffsetTop = align("ALIGNOFFSETT");
    d.AlignOffsetBottom = align("ALIGNOFFSETB");
    d.Shadow1Color = i.ReadInteger(kGlobal, "SHADOW1COLOR", 0);
    d.Shadow1Offset = strict("SHADOW1OFFSET", "0");
    d.Shadow1Blur = strict("SHADOW1BLUR", "-1");
    d.Shadow1Transparency = strict("SHADOW1TRANSPARENCY", "0");
    d.BISpace = num("BISPACE", 0);
    d.BIVAlign = num("BIVALIGN", 0);
    d.BIRight = num("BIRIGHT", 0);
    d.BILeft = num("BILEFT", 0);
    d.BITop = num("BITOP", 0);
    d.BIKeepHue = num("BIKEEPHUE", 0);
    d.BIConCloseGlow = strict("BICONCLOSEGLOW", "0");
    d.BIConCloseGlowMargin = strict("BICONCLOSEGLOWMARGIN", "0");
    d.BIConMaxGlow = strict("BICONMAXGLOW", "0");
    d.BIConMaxGlowMargin = strict("BICONMAXGLOWMARGIN", "0");
    d.BIConMinGlow = strict("BICONMINGLOW", "0");
    d.BIConMinGlowMargin = strict("BICONMINGLOWMARGIN", "0");
    d.AeroBlur = i.ReadInteger(kGlobal, "AEROBLUR", 0) != 0;
}

void SkinLoader::ReadPalette()
{
    TsPalette& p = t_.Palette;
    const SkinIni& i = ini_;
    auto g = [&](const char* key, TColor32 def) { return i.ReadInteger(kGlobal, key, def); };
    p[0] = g("COLOR", kBtnFace);
    p[1] = g("FONTCOLOR", 0);
    p[2] = g("TCBOTTOM", kBlue);
    p[3] = g("TCTOP", kRed);
    int edit = t_.FindSectionIndex("EDIT");
    p[4] = edit >= 0 ? t_.Sections[size_t(edit)].Props[0].FontColor : kWindowText;
    p[5] = edit >= 0 ? t_.Sections[size_t(edit)].Props[0].Color : kWindow;
    p[4] = ColorToRGB(p[4]);
    p[5] = ColorToRGB(p[5]);
    int sel = t_.FindSectionIndex("SELECTION");
    if (sel >= 0) {
        const TsGeneralData& s = t_.Sections[size_t(sel)];
        const TsGenState& hot = s.States < 2 ? s.Props[0] : s.Props[1];
        p[6] = s.Props[0].Color;
        p[7] = s.Props[0].FontColor;
        p[8] = hot.Color;
        p[9] = hot.FontColor;
    } else {
        p[6] = p[7] = p[8] = p[9] = -1;
    }
    if (p[7] == -1 || p[7] == kKeyColor) {
        int mi = t_.FindSectionIndex("MENUITEM");
        if (mi >= 0) {
            const TsGeneralData& m = t_.Sections[size_t(mi)];
            p[6] = p[8] = m.IniHotColor;
            p[7] = (m.IniHotFontColor == -1 || m.IniHotFontColor == kKeyColor) ? ColorToRGB(kHighlightText)
                                                                              : ColorToRGB(m.IniHotFontColor);
            p[9] = p[7];
        } else {
            p[7] = p[9] = ColorToRGB(kHighlightText);
            p[6] = p[8] = ColorToRGB(kHighlight);
        }
    }
    p[10] = g("EDITBG_INV", p[4]);
    p[11] = g("EDITTEXT_INV", p[5]);
    p[12] = g("EDITBG_ODD", p[5]);
    p[13] = g("EDITBG_EVEN", MixColors(ColorToRGB(p[4]), ColorToRGB(p[5]), 0.05));
    p[14] = g("EDITTEXT_OK", 0x008000);
    p[15] = g("EDITTEXT_WARN", 0x008484);
    p[16] = g("EDITTEXT_ALERT", 0x0000FF);
    p[17] = g("EDITTEXT_ALERT", 0x8597D9);
    p[18] = g("EDITTEXT_ALERT", 0x4AB28F);
    p[19] = g("EDITBG_OK", 0x6CC2A5);
    p[20] = g("EDITBG_WARN", 0x40FFFF);
    p[21] = g("EDITBG_ALERT", 0x95A7E9);
    p[22] = g("EDITBG_ALERT", 0x8597D9);
    p[23] = g("EDITBG_ALERT", 0x4AB28F);
    p[24] = g("EDITTEXT_H1", 0);
    p[25] = g("EDITTEXT_H2", 0);
    p[26] = g("EDITTEXT_H3", 0);
    p[27] = g("BORDERCOLOR", 0);
    // The palette is kept in RGB, so recolouring never meets a system colour.
    for (TColor32& c : p)
        if (c != -1)
            c = ColorToRGB(c);
}

// ------------------------------------------------------------ recolouring

namespace {

template <class Fn>
void RecolorSectionColors(TsSkinTables& t, Fn change)
{
    auto one = [&](TColor32& c) {
        if (c != -1)
            c = change(ColorToRGB(c));
    };
    std::unordered_set<const TsGradArray*> done;
    auto grad = [&](TsGradArrayRef& a) {
        if (!a || !done.insert(a.get()).second)
            return;   // an array shared by two fields changes once
        for (TsGradStop& p : *a) {
            p.Color1 = change(ColorToRGB(p.Color1));
            p.Color2 = change(ColorToRGB(p.Color2));
        }
    };
    for (TsGeneralData& g : t.Sections) {
        g.IniColor = change(ColorToRGB(g.IniColor));
        g.IniHotColor = change(ColorToRGB(g.IniHotColor));
        g.IniGlowColor = change(ColorToRGB(g.IniGlowColor));
        g.IniHotGlowColor = change(ColorToRGB(g.IniHotGlowColor));
        for (TColor32* c : {&g.IniFontColor, &g.IniTCLeft, &g.IniTCTop, &g.IniTCRight, &g.IniTCBottom,
                            &g.IniHotFontColor, &g.IniHotTCLeft, &g.IniHotTCTop, &g.IniHotTCRight, &g.IniHotTCBottom})
            one(*c);
        for (TsGenState& s : g.Props) {
            s.Color = change(ColorToRGB(s.Color));
            s.GlowColor = change(ColorToRGB(s.GlowColor));
            for (TColor32* c : {&s.FontColor, &s.TCLeft, &s.TCTop, &s.TCRight, &s.TCBottom})
                one(*c);
            grad(s.GradientArray);
        }
        grad(g.IniGradientArray);
        grad(g.IniHotGradientArray);
    }
    t.SkinData.Shadow1Color = change(ColorToRGB(t.SkinData.Shadow1Color));
    for (size_t i : {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 27})
        one(t.Palette[i]);
}

template <class Fn>
void ForEachNonKeyPixel(PixelBitmap& b, Fn change)
{
    for (int y = 0; y < b.Height(); ++y) {
        uint32_t* row = b.Row(y);
        for (int x = 0; x < b.Width(); ++x)
            if (!IsKeyPixel(row[x]))
                row[x] = change(row[x]);
    }
}

// Recolours the masks' own bitmaps, each once: masks that name the same file
// share one. A bitmap that stays as it is elsewhere (a pattern's picture, a
// kept title glyph) is copied for the masks that change.
template <class Fn>
void RecolorMaskBitmaps(TsSkinTables& t, const std::set<const TsMaskData*>& keep, Fn change)
{
    std::unordered_set<const PixelBitmap*> staying;
    for (const TsPatternData& p : t.Patterns)
        staying.insert(p.Image.get());
    for (const TsMaskData* m : keep)
        staying.insert(m->Bmp.get());
    std::unordered_map<const PixelBitmap*, TsBitmapRef> changed;
    for (TsMaskData& m : t.Masks) {
        if (!m.Bmp || keep.count(&m))
            continue;
        TsBitmapRef& done = changed[m.Bmp.get()];
        if (!done) {
            done = staying.count(m.Bmp.get()) ? TsBitmapRef(m.Bmp->Clone()) : m.Bmp;
            ForEachNonKeyPixel(*done, change);
        }
        m.Bmp = done;
    }
}

// Per-colour memo: skins use few distinct colours.
struct PixelMemo {
    uint32_t key[4096];
    uint32_t val[4096];
    bool used[4096] = {};
    template <class Fn>
    uint32_t Get(uint32_t px, Fn fn)
    {
        uint32_t h = (px * 2654435761u) >> 20;
        if (used[h] && key[h] == px)
            return val[h];
        used[h] = true;
        key[h] = px;
        return val[h] = fn(px);
    }
};

}  // namespace

void ApplyHueOffset(TsSkinTables& t, int degrees)
{
    if (degrees == 0)
        return;
    auto memo = std::make_unique<PixelMemo>();
    auto px = [&](uint32_t v) { return memo->Get(v, [&](uint32_t p) { return ChangePixelHue(p, degrees); }); };
    std::set<const TsMaskData*> keep;
    int keepHue = t.SkinData.BIKeepHue;
    if (PixelBitmap* master = t.MasterBitmap.get()) {
        struct Saved {
            px::Rect r;
            std::vector<uint32_t> px;
        };
        std::vector<Saved> saved;
        if (keepHue >= 1) {
            std::vector<const char*> glyphs = {"BICONCLOSE", "BICLOSEALONE", "SICONCLOSE"};
            if (keepHue == 1)
                for (const char* n : {"BICONMAX", "BICONMIN", "BICONNORM", "BICONHELP", "SICONMAX", "SICONMIN",
                                      "SICONNORM"})
                    glyphs.push_back(n);
            for (const char* n : glyphs) {
                int i = t.FindMaskIndexDirect(kGlobal, n);
                if (i >= 0) {
                    const TsMaskData& m = t.Masks[size_t(i)];
                    if (m.Bmp) {
                        keep.insert(&m);
                    } else {
                        Saved s{m.SourceRect, {}};
                        for (int y = s.r.top; y < s.r.bottom; ++y)
                            for (int x = s.r.left; x < s.r.right; ++x)
                                s.px.push_back(master->Pixel(x, y));
                        saved.push_back(std::move(s));
                    }
                }
                int g = t.FindMaskIndexDirect(kGlobal, std::string(n) + "GLOW0");
                if (g >= 0 && t.Masks[size_t(g)].Bmp)
                    keep.insert(&t.Masks[size_t(g)]);
            }
        }
        ForEachNonKeyPixel(*master, px);
        for (const Saved& s : saved) {
            size_t k = 0;
            for (int y = s.r.top; y < s.r.bottom; ++y)
                for (int x = s.r.left; x < s.r.right; ++x)
                    master->Row(y)[x] = s.px[k++];
        }
    }
    RecolorMaskBitmaps(t, keep, px);
    RecolorSectionColors(t, [&](TColor32 c) { return ChangeColorHue(c, degrees); });
}

void ApplySaturation(TsSkinTables& t, int change)
{
    change %= 101;   // sign kept
    if (change == 0)
        return;
    auto memo = std::make_unique<PixelMemo>();
    auto px = [&](uint32_t v) { return memo->Get(v, [&](uint32_t p) { return ChangePixelSaturation(p, change); }); };
    if (t.MasterBitmap)
        ForEachNonKeyPixel(*t.MasterBitmap, px);
    RecolorMaskBitmaps(t, {}, px);
    RecolorSectionColors(t, [&](TColor32 c) { return ChangeColorSaturation(c, change); });
}

// ------------------------------------------------------------ dump

namespace {

uint32_t HashBitmap(const PixelBitmap* b, const px::Rect* r = nullptr)
{
    if (!b)
        return 0;
    uint32_t h = 2166136261u;
    int x0 = r ? r->left : 0, y0 = r ? r->top : 0, x1 = r ? r->right : b->Width(), y1 = r ? r->bottom : b->Height();
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            uint32_t v = b->Pixel(x, y);
            for (int k = 0; k < 4; ++k) {
                h ^= (v >> (8 * k)) & 0xFF;
                h *= 16777619u;
            }
        }
    return h;
}

std::string Hex(uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

std::string Grad(const TsGradArrayRef& a)
{
    std::string s;
    if (a)
        for (const TsGradStop& p : *a)
            s += Hex(uint32_t(p.Color1)) + "/" + Hex(uint32_t(p.Color2)) + "/" + std::to_string(p.Percent) + "/" +
                 std::to_string(p.Mode) + ";";
    return s;
}

}  // namespace

std::string DumpSkinTables(const TsSkinTables& t)
{
    std::string o;
    auto line = [&](const std::string& s) { o += s + "\n"; };
    const TsSkinData& d = t.SkinData;
    char ver[32];
    std::snprintf(ver, sizeof ver, "%.2f", d.Version);
    line(std::string("skin version=") + ver + " author=" + d.Author + " description=" + d.Description);
    line("header border=" + std::to_string(d.BorderWidth) + " title=" + std::to_string(d.TitleHeight) + " max=" +
         std::to_string(d.MaxTitleHeight) + " keephue=" + std::to_string(d.BIKeepHue) + " shadow=" +
         Hex(uint32_t(d.Shadow1Color)) + "," + std::to_string(d.Shadow1Offset) + "," + std::to_string(d.Shadow1Blur) +
         "," + std::to_string(d.Shadow1Transparency));
    line("master " + (t.MasterBitmap ? std::to_string(t.MasterBitmap->Width()) + "x" +
                                           std::to_string(t.MasterBitmap->Height()) + " " + Hex(HashBitmap(t.MasterBitmap.get()))
                                     : std::string("none")));
    for (size_t i = 0; i < t.Sections.size(); ++i) {
        const TsGeneralData& g = t.Sections[i];
        line("section " + std::to_string(i) + " " + g.Name + " parent=" + g.ParentClass + " states=" +
             std::to_string(g.States) + " border=" + std::to_string(g.BorderMaskIndex) + " corners=" +
             std::to_string(g.ImgTopLeft) + "," + std::to_string(g.ImgTopRight) + "," + std::to_string(g.ImgBottomLeft) +
             "," + std::to_string(g.ImgBottomRight) + " pattern=" + std::to_string(g.PatternIndex) + " glow=" +
             std::to_string(g.Glow) + "," + std::to_string(g.GlowMargin) + " fading=" + std::to_string(g.FadingEnabled) +
             "," + std::to_string(g.FadingIterations) + " flags=" + std::to_string(g.GiveOwnFont) +
             std::to_string(g.ReservedBoolean) + std::to_string(g.ShowFocus));
        for (int s = 0; s < 2; ++s) {
            const TsGenState& p = g.Props[size_t(s)];
            line(std::string("  ") + (s ? "hot" : "normal") + " color=" + Hex(uint32_t(p.Color)) + " font=" +
                 Hex(uint32_t(p.FontColor)) + " tc=" + Hex(uint32_t(p.TCLeft)) + "," + Hex(uint32_t(p.TCTop)) + "," +
                 Hex(uint32_t(p.TCRight)) + "," + Hex(uint32_t(p.TCBottom)) + " transp=" +
                 std::to_string(p.Transparency) + " grad=" + std::to_string(p.GradientPercent) + ":" +
                 Grad(p.GradientArray) + " image=" + std::to_string(p.ImagePercent) + " texture=" +
                 std::to_string(p.TextureIndex) + " glow=" + Hex(uint32_t(p.GlowColor)) + "/" +
                 std::to_string(p.GlowSize));
        }
    }
    for (size_t i = 0; i < t.Masks.size(); ++i) {
        const TsMaskData& m = t.Masks[i];
        const PixelBitmap* b = m.Bmp ? m.Bmp.get() : t.MasterBitmap.get();
        line("mask " + std::to_string(i) + " " + m.SectionName + "." + m.PropertyName + " kind=" +
             std::to_string(m.Kind) + " rect=" + std::to_string(m.SourceRect.left) + "," +
             std::to_string(m.SourceRect.top) + "," + std::to_string(m.SourceRect.right) + "," +
             std::to_string(m.SourceRect.bottom) + " frames=" + std::to_string(m.FrameCount) + " layout=" +
             std::to_string(m.StateLayout) + " bw=" + std::to_string(m.BorderWidth) + " flags=" +
             std::to_string(m.PaintFlags) + " margins=" + std::to_string(m.MarginLeft) + "," +
             std::to_string(m.MarginTop) + "," + std::to_string(m.MarginRight) + "," + std::to_string(m.MarginBottom) +
             " corner=" + std::to_string(m.CornerTransparency) + " own=" + (m.Bmp ? "yes" : "no") + " pixels=" +
             Hex(HashBitmap(b, &m.SourceRect)));
    }
    for (size_t i = 0; i < t.Patterns.size(); ++i) {
        const TsPatternData& p = t.Patterns[i];
        line("pattern " + std::to_string(i) + " " + p.SectionName + "." + p.PropertyName + " " +
             std::to_string(p.Image->Width()) + "x" + std::to_string(p.Image->Height()) + " " +
             Hex(HashBitmap(p.Image.get())));
    }
    std::string pal = "palette";
    for (TColor32 c : t.Palette)
        pal += " " + Hex(uint32_t(c));
    line(pal);
    const TsCommonIndexes& c = t.Common;
    std::string idx = "common globalinfo=" + std::to_string(c.GlobalInfo);
    for (size_t i = 0; i < 24; ++i)
        idx += " " + std::string(kCommonGlobalMasks[i]) + "=" + std::to_string(c.GlobalMasks[i]);
    line(idx);
    line("common combo=" + std::to_string(c.ComboBtn) + "," + std::to_string(c.ComboBtnBorder) + "," +
         std::to_string(c.ComboBtnPattern) + "," + std::to_string(c.ComboBtnHotPattern) + "," +
         std::to_string(c.ComboBoxGlyph) + " web=" + std::to_string(c.WebButton));
    std::string tabs = "common tabs";
    for (size_t i = 0; i < tsCount; ++i)
        tabs += " " + std::to_string(c.Tab[i]) + "/" + std::to_string(c.TabBorder[i]);
    line(tabs);
    std::string sc = "common scroll";
    for (size_t i = 0; i < spCount; ++i)
        sc += " " + std::to_string(c.ScrollSection[i]) + "/" + std::to_string(c.ScrollBorder[i]) + "/" +
              std::to_string(c.ScrollGlyph[i]) + "/" + std::to_string(c.ScrollPattern[i]) + "/" +
              std::to_string(c.ScrollHotPattern[i]);
    line(sc);
    std::string bars = "common bars";
    for (size_t i = 0; i < sbCount; ++i)
        bars += " " + std::to_string(c.BarSection[i]) + "/" + std::to_string(c.BarBorder[i]) + "/" +
                std::to_string(c.BarPattern[i]) + "/" + std::to_string(c.BarHotPattern[i]);
    line(bars);
    return o;
}

void LoadFolderSkin(TsSkinTables& tables, const std::string& folder, const SkinLoadSettings& settings)
{
    std::string optionsFile = folder + "Options.dat";
    if (!SkinFiles::FileExists(optionsFile))
        throw SkinError(SkinErrorKind::Format, "Skin options file not found: " + optionsFile);
    SkinIni ini(SkinFiles::ReadFile(optionsFile));
    tables.SkinData.SkinFolder = folder;
    SkinLoader(tables, ini, nullptr, folder, settings).Load();
}

void LoadPackedSkinBytes(TsSkinTables& tables, const std::string& bytes, const std::string& folder,
                         const SkinLoadSettings& settings)
{
    TkvSkinConvertor pack;
    pack.SetBorrowedSource(&bytes);
    ReadPackedSkin(pack);
    pack.DetachSource();
    if (!pack.Options)
        throw SkinError(SkinErrorKind::Format, "The packed skin holds no options (Options.dat)");
    SkinIni ini(*pack.Options);
    tables.SkinData.SkinFolder = folder;
    SkinLoader(tables, ini, &pack, folder, settings).Load();
}
