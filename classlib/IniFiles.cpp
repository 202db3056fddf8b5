#include "classlib/IniFiles.h"


namespace {
bool SameText(const String& a, const String& b) { return a.size() == b.size() && UpperCase(a) == UpperCase(b); }

String TrimText(const String& s)
{
    size_t b = 0, e = s.size();
    while (b < e && unsigned(s[b]) <= L' ') ++b;
    while (e > b && unsigned(s[e - 1]) <= L' ') --e;
    return s.substr(b, e - b);
}

// The key of a line: trimmed text before "=", or nothing for a line without one.
bool LineKey(const String& line, String& key)
{
    size_t eq = line.find(L'=');
    if (eq == String::npos || (!line.empty() && line[0] == L';')) return false;
    key = TrimText(line.substr(0, eq));
    return true;
}

bool ParseInt(const String& raw, int32_t& v)
{
    String t = TrimText(raw);
    if (t.empty()) return false;
    bool neg = false;
    size_t i = 0;
    if (t[0] == L'-' || t[0] == L'+') {
        neg = t[0] == L'-';
        i = 1;
    }
    int base = 10;
    if (i < t.size() && t[i] == L'$') {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == L'0' && (t[i + 1] == L'x' || t[i + 1] == L'X')) {
        base = 16;
        i += 2;
    }
    if (i == t.size()) return false;
    uint64_t acc = 0;
    size_t digits = 0;
    for (; i < t.size(); ++i, ++digits) {
        wchar_t c = t[i];
        int d = c >= L'0' && c <= L'9' ? c - L'0'
                : c >= L'a' && c <= L'f' ? c - L'a' + 10
                : c >= L'A' && c <= L'F' ? c - L'A' + 10
                                         : 99;
        if (d >= base) return false;
        acc = acc * uint64_t(base) + uint64_t(d);
        if (acc > 0xFFFFFFFFull) return false;
    }
    if (base == 10) {
        int64_t s = neg ? -int64_t(acc) : int64_t(acc);
        if (s < INT32_MIN || s > INT32_MAX) return false;
        v = int32_t(s);
    } else {
        if (digits > 8) return false;
        uint32_t u = uint32_t(acc);
        v = int32_t(neg ? 0u - u : u);
    }
    return true;
}
}  // namespace

TMemIniFile::TMemIniFile(const String& fileName) : fileName_(fileName) { Load(); }

void TMemIniFile::Load()
{
    sections_.clear();
    if (fileName_.empty() || !FileExists(fileName_)) return;
    TStringList lines;
    lines.LoadFromFile(fileName_);
    SetStrings(lines);
}

void TMemIniFile::Rename(const String& fileName, bool reload)
{
    fileName_ = fileName;
    if (reload) Load();
}

void TMemIniFile::SetStrings(const TStrings& lines)
{
    sections_.clear();
    Section* current = nullptr;
    for (int i = 0; i < lines.Count(); ++i) {
        String line = TrimText(lines.Get(i));
        if (line.empty()) continue;
        if (line.size() >= 2 && line.front() == L'[' && line.back() == L']') {
            String name = TrimText(line.substr(1, line.size() - 2));
            current = Find(name);
            if (!current) {
                sections_.push_back(Section{name, {}});
                current = &sections_.back();
            }
            continue;
        }
        if (current) current->lines.push_back(line);
    }
}

void TMemIniFile::SetText(const String& text)
{
    TStringList l;
    l.SetText(text);
    SetStrings(l);
}

void TMemIniFile::GetStrings(TStrings& lines) const
{
    lines.BeginUpdate();
    lines.Clear();
    for (size_t i = 0; i < sections_.size(); ++i) {
        lines.Add(L"[" + sections_[i].name + L"]");
        for (const String& l : sections_[i].lines) lines.Add(l);
        if (i + 1 < sections_.size()) lines.Add(String());
    }
    lines.EndUpdate();
}

String TMemIniFile::Text() const
{
    TStringList l;
    GetStrings(l);
    return l.Text();
}

const TMemIniFile::Section* TMemIniFile::Find(const String& name) const
{
    for (const Section& s : sections_)
        if (SameText(s.name, name)) return &s;
    return nullptr;
}

TMemIniFile::Section* TMemIniFile::Find(const String& name)
{
    return const_cast<Section*>(static_cast<const TMemIniFile*>(this)->Find(name));
}

int TMemIniFile::KeyLine(const Section& s, const String& ident)
{
    String key;
    for (size_t i = 0; i < s.lines.size(); ++i)
        if (LineKey(s.lines[i], key) && SameText(key, TrimText(ident))) return int(i);
    return -1;
}

bool TMemIniFile::SectionExists(const String& section) const { return Find(section) != nullptr; }

bool TMemIniFile::ValueExists(const String& section, const String& ident) const
{
    const Section* s = Find(section);
    return s && KeyLine(*s, ident) >= 0;
}

String TMemIniFile::ReadString(const String& section, const String& ident, const String& def) const
{
    const Section* s = Find(section);
    if (!s) return def;
    int i = KeyLine(*s, ident);
    if (i < 0) return def;
    const String& line = s->lines[size_t(i)];
    return TrimText(line.substr(line.find(L'=') + 1));
}

int32_t TMemIniFile::ReadInteger(const String& section, const String& ident, int32_t def) const
{
    int32_t v;
    return ParseInt(ReadString(section, ident, String()), v) ? v : def;
}

bool TMemIniFile::ReadBool(const String& section, const String& ident, bool def) const
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

double TMemIniFile::ReadFloat(const String& section, const String& ident, double def) const
{
    String t = ReadString(section, ident, String());
    if (t.empty()) return def;
    for (wchar_t& c : t)
        if (c == L',') c = L'.';
    try {
        size_t used = 0;
        double v = std::stod(t, &used);
        return used == t.size() ? v : def;
    } catch (const std::exception&) {
        return def;
    }
}

void TMemIniFile::WriteString(const String& section, const String& ident, const String& value)
{
    Section* s = Find(section);
    if (!s) {
        sections_.push_back(Section{TrimText(section), {}});
        s = &sections_.back();
    }
    String line = TrimText(ident) + L"=" + value;
    int i = KeyLine(*s, ident);
    if (i >= 0)
        s->lines[size_t(i)] = line;
    else
        s->lines.push_back(line);
}

void TMemIniFile::WriteInteger(const String& section, const String& ident, int32_t value)
{
    WriteString(section, ident, IntToStr(value));
}

void TMemIniFile::WriteBool(const String& section, const String& ident, bool value)
{
    WriteString(section, ident, value ? L"1" : L"0");
}

void TMemIniFile::ReadSections(TStrings& names) const
{
    names.BeginUpdate();
    names.Clear();
    for (const Section& s : sections_) names.Add(s.name);
    names.EndUpdate();
}

void TMemIniFile::ReadSection(const String& section, TStrings& idents) const
{
    idents.BeginUpdate();
    idents.Clear();
    if (const Section* s = Find(section)) {
        String key;
        for (const String& l : s->lines)
            if (LineKey(l, key)) idents.Add(key);
    }
    idents.EndUpdate();
}

void TMemIniFile::ReadSectionValues(const String& section, TStrings& lines) const
{
    lines.BeginUpdate();
    lines.Clear();
    if (const Section* s = Find(section)) {
        String key;
        for (const String& l : s->lines)
            if (LineKey(l, key)) lines.Add(l);
    }
    lines.EndUpdate();
}

void TMemIniFile::EraseSection(const String& section)
{
    for (size_t i = 0; i < sections_.size(); ++i)
        if (SameText(sections_[i].name, section)) {
            sections_.erase(sections_.begin() + long(i));
            return;
        }
}

void TMemIniFile::DeleteKey(const String& section, const String& ident)
{
    Section* s = Find(section);
    if (!s) return;
    int i = KeyLine(*s, ident);
    if (i >= 0) s->lines.erase(s->lines.begin() + i);
}

void TMemIniFile::UpdateFile() const
{
    TStringList l;
    GetStrings(l);
    l.SaveToFile(fileName_);
}
