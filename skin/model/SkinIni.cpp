#include "skin/model/SkinIni.h"

#include <cstdint>

namespace {

std::string_view TrimView(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

}  // namespace

void SkinIni::Clear()
{
    order_.clear();
    sections_.clear();
}

void SkinIni::SetText(std::string_view text)
{
    Clear();
    Section* current = nullptr;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = TrimView(text.substr(pos, end - pos));
        pos = end + 1;
        if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
        if (line.empty() || line[0] == ';')
            continue;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            std::string name(line.substr(1, line.size() - 2));
            auto [it, inserted] = sections_.try_emplace(name);
            if (inserted)
                order_.push_back(name);
            current = &it->second;
            continue;
        }
        if (!current)
            continue;
        size_t eq = line.find('=');
        std::string key(eq == std::string_view::npos ? line : line.substr(0, eq));
        std::string value(eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1));
        if (current->index.count(key))
            continue;
        current->index.emplace(key, current->entries.size());
        current->entries.emplace_back(std::move(key), std::move(value));
        if (end >= text.size())
            break;
    }
}

const SkinIni::Section* SkinIni::Find(const std::string& section) const
{
    auto it = sections_.find(section);
    return it == sections_.end() ? nullptr : &it->second;
}

bool SkinIni::SectionExists(const std::string& section) const { return Find(section) != nullptr; }

std::vector<std::string> SkinIni::Keys(const std::string& section) const
{
    std::vector<std::string> keys;
    if (const Section* s = Find(section))
        for (auto& e : s->entries)
            keys.push_back(e.first);
    return keys;
}

const std::vector<std::pair<std::string, std::string>>* SkinIni::Entries(const std::string& section) const
{
    const Section* s = Find(section);
    return s ? &s->entries : nullptr;
}

bool SkinIni::HasKey(const std::string& section, const std::string& key) const
{
    const Section* s = Find(section);
    return s && s->index.count(key);
}

std::string SkinIni::ReadString(const std::string& section, const std::string& key, const std::string& def) const
{
    const Section* s = Find(section);
    if (!s)
        return def;
    auto it = s->index.find(key);
    return it == s->index.end() ? def : s->entries[it->second].second;
}

bool SkinIni::ParseInt(std::string_view text, int& out)
{
    std::string_view s = TrimView(text);
    bool neg = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        neg = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty())
        return false;
    uint64_t v = 0;
    if (s[0] == '$') {
        s.remove_prefix(1);
        if (s.empty() || s.size() > 8)
            return false;
        for (char c : s) {
            int d = (c >= '0' && c <= '9') ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
            if (d < 0)
                return false;
            v = v * 16 + unsigned(d);
        }
        uint32_t u = uint32_t(v);
        out = neg ? int(0u - u) : int(u);
        return true;
    }
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + unsigned(c - '0');
        if (v > 0x80000000ull)
            return false;
    }
    if (!neg && v > 0x7FFFFFFFull)
        return false;
    out = neg ? int(-int64_t(v)) : int(v);
    return true;
}

int SkinIni::ReadInteger(const std::string& section, const std::string& key, int def) const
{
    const Section* s = Find(section);
    if (!s)
        return def;
    auto it = s->index.find(key);
    if (it == s->index.end())
        return def;
    int v;
    return ParseInt(s->entries[it->second].second, v) ? v : def;
}
