// Random source, event ring, file-tree snapshots and checks; see SoakCore.h.
#include <windows.h>

#include "tools/soakrunner/SoakCore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/ContentContainer.h"

namespace {

uint64_t Mix(uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

bool SameText(const String& a, const String& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

// Reads a whole file with sharing that does not disturb the program.
bool ReadAll(const String& fileName, std::string& out)
{
    HANDLE h = CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    out.clear();
    char buf[64 * 1024];
    DWORD got = 0;
    bool ok = true;
    for (;;) {
        if (!ReadFile(h, buf, sizeof buf, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        out.append(buf, got);
    }
    CloseHandle(h);
    return ok;
}

void Walk(const String& root, const String& relative, const std::vector<String>& skip, FileTree& tree, int depth,
          bool hash)
{
    // Links (a Wine profile's Desktop and Documents point at the Unix home)
    // are not followed, and a deep tree is cut off rather than walked for ever.
    if (depth > 24) return;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((root + relative + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        String name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        String rel = relative + name;
        if (relative.empty() && std::any_of(skip.begin(), skip.end(), [&](const String& s) { return SameText(s, name); }))
            continue;
        FileState st;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            st.folder = true;
            tree[rel] = st;
            Walk(root, rel + L"\\", skip, tree, depth + 1, hash);
            continue;
        }
        st.size = (uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        st.writeTime = (uint64_t(fd.ftLastWriteTime.dwHighDateTime) << 32) | fd.ftLastWriteTime.dwLowDateTime;
        if (!hash) {
            tree[rel] = st;
            continue;
        }
        std::string bytes;
        // A file that cannot be read gets a hash no content gives, so that
        // it compares unequal to its readable self.
        st.hash = ReadAll(root + rel, bytes) ? HashBytes(bytes) : ~0ull;
        tree[rel] = st;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

bool ReadsAsContainer(const String& fileName, String& why)
{
    try {
        LoadDocumentFile(fileName);
        return true;
    } catch (const Exception& e) {
        why = String(e.ClassName()) + L": " + e.Message();
    } catch (const std::exception& e) {
        why = Utf8ToString(e.what());
    }
    return false;
}

bool IsWriterTemp(const String& relative)
{
    String name = ExtractFileName(relative);
    return name.size() > 4 && name.compare(0, 3, L"~tv") == 0 && SameText(ExtractFileExt(name), L".tmp");
}

}  // namespace

SoakRng SoakRng::For(uint64_t seed, uint64_t event, uint64_t stream)
{
    return SoakRng(Mix(seed ^ Mix(event * 0x9E3779B97F4A7C15ull + Mix(stream + 0x632BE59BD9B4E019ull))));
}

uint64_t SoakRng::Next()
{
    state_ += 0x9E3779B97F4A7C15ull;
    return Mix(state_);
}

uint32_t SoakRng::Below(uint32_t n)
{
    if (n <= 1) return 0;
    // Rejects the top partial range so that every value is equally likely.
    uint64_t limit = (uint64_t(1) << 32) - ((uint64_t(1) << 32) % n);
    for (;;) {
        uint64_t v = Next() >> 32;
        if (v < limit) return uint32_t(v % n);
    }
}

int SoakRng::Range(int lo, int hi)
{
    if (hi <= lo) return lo;
    return lo + int(Below(uint32_t(int64_t(hi) - lo + 1)));
}

bool SoakRng::Percent(int percent) { return int(Below(100)) < percent; }

size_t SoakRng::Weighted(const std::vector<int>& weights)
{
    int64_t total = 0;
    for (int w : weights) total += std::max(w, 0);
    if (total <= 0) return 0;
    int64_t r = int64_t(Below(uint32_t(total)));
    for (size_t i = 0; i < weights.size(); ++i) {
        r -= std::max(weights[i], 0);
        if (r < 0) return i;
    }
    return weights.size() - 1;
}

void EventRing::Add(uint64_t number, const std::string& text)
{
    items_.emplace_back(number, text);
    while (items_.size() > capacity_) items_.pop_front();
}

std::vector<std::string> EventRing::Lines() const
{
    std::vector<std::string> out;
    for (const auto& [n, text] : items_) {
        std::string line = "#";
        line += std::to_string(n);
        line += ' ';
        line += text;
        out.push_back(std::move(line));
    }
    return out;
}

uint64_t HashBytes(const std::string& bytes)
{
    uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 0x100000001B3ull;
    }
    return h;
}

FileTree SnapshotTree(const String& root, const std::vector<String>& skip, bool hash)
{
    FileTree tree;
    Walk(IncludeTrailingBackslash(root), L"", skip, tree, 0, hash);
    return tree;
}

TreeChanges CompareTrees(const FileTree& before, const FileTree& after)
{
    TreeChanges c;
    for (const auto& [name, st] : before) {
        auto it = after.find(name);
        if (it == after.end())
            c.removed.push_back(name);
        else if (!(it->second == st))
            c.changed.push_back(name);
    }
    for (const auto& [name, st] : after)
        if (!before.count(name)) c.added.push_back(name);
    return c;
}

std::vector<String> CheckCopy(const String& root, const FileTree& before, const FileTree& after)
{
    const String base = IncludeTrailingBackslash(root);
    std::vector<String> problems;
    TreeChanges c = CompareTrees(before, after);
    for (const String& name : c.removed) problems.push_back(L"removed: " + name);
    std::vector<String> written = c.added;
    written.insert(written.end(), c.changed.begin(), c.changed.end());
    for (const String& name : written) {
        const FileState& st = after.at(name);
        if (st.folder) continue;
        if (IsWriterTemp(name)) {
            problems.push_back(L"temporary file left: " + name);
            continue;
        }
        String why;
        if (!ReadsAsContainer(base + name, why)) problems.push_back(L"written file does not read: " + name + L" (" + why + L")");
    }
    return problems;
}

std::vector<String> ReportWatch::Scan()
{
    std::vector<String> problems;
    std::map<String, FileState> seen;
    String content = root_ + L"Content\\";
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((content + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            String subject = fd.cFileName;
            if (subject == L"." || subject == L".." || !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            String rel = L"Content\\" + subject + L"\\Тесты\\Отчеты";
            FileTree reports = SnapshotTree(root_ + rel);
            for (auto& [name, st] : reports)
                if (!st.folder) seen[rel + L"\\" + name] = st;
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    for (const auto& [name, st] : known_) {
        auto it = seen.find(name);
        if (it == seen.end())
            problems.push_back(L"report disappeared: " + name);
        else if (!(it->second == st))
            problems.push_back(L"report replaced: " + name);
    }
    for (auto& [name, st] : seen)
        if (!known_.count(name)) known_[name] = st;
    return problems;
}

std::vector<String> TreeNames(const FileTree& tree, bool folders)
{
    std::vector<String> out;
    for (const auto& [name, st] : tree)
        if (st.folder == folders) out.push_back(name);
    return out;
}

namespace {
const char* const kCrashMarks[] = {"Unhandled exception", "Backtrace:", "wine: Unhandled", "Unhandled page fault",
                                   "terminate called"};
}

size_t CrashReportStart(const std::string& output)
{
    size_t first = std::string::npos;
    for (const char* m : kCrashMarks) first = std::min(first, output.find(m));
    if (first == std::string::npos) return first;
    size_t line = output.rfind('\n', first);
    return line == std::string::npos ? 0 : line + 1;
}

SessionEnd ClassifyExit(unsigned long exitCode, const std::string& output)
{
    if (CrashReportStart(output) != std::string::npos) return SessionEnd::Crashed;
    if (exitCode == STILL_ACTIVE) return SessionEnd::Running;
    return exitCode == 0 ? SessionEnd::Normal : SessionEnd::Crashed;
}

const char* KindName(HandleKind kind)
{
    static const char* const names[kHandleKinds] = {"DCs",   "regions", "bitmaps",     "palettes", "fonts",
                                                    "brushes", "pens",  "GDI objects", "windows"};
    return kind < kHandleKinds ? names[kind] : "?";
}

HandleCounts operator-(const HandleCounts& a, const HandleCounts& b)
{
    HandleCounts d;
    for (size_t k = 0; k < kHandleKinds; ++k) d.n[k] = a.n[k] - b.n[k];
    return d;
}

std::string Describe(const HandleCounts& c)
{
    std::string out;
    for (size_t k = 0; k < kHandleKinds; ++k)
        if (c.n[k] != 0) out += (out.empty() ? "" : ", ") + std::string(KindName(HandleKind(k))) + " " + std::to_string(c.n[k]);
    return out.empty() ? "none" : out;
}

HandleKind GdiKindOfType(uint8_t type)
{
    switch (type) {
    case 0x01:   // screen, memory, enhanced-metafile and metafile DCs
    case 0x41:
    case 0x21:
    case 0x66: return hkDCs;
    case 0x04: return hkRegions;
    case 0x05:
    case 0x09: return hkBitmaps;
    case 0x08: return hkPalettes;
    case 0x0a: return hkFonts;
    case 0x10: return hkBrushes;
    case 0x30:
    case 0x50: return hkPens;
    default: return hkGdiObjects;
    }
}

bool CountGdiEntries(const uint8_t* bytes, size_t entries, uint16_t pid, HandleCounts& out)
{
    bool used = false;
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t* e = bytes + i * kGdiEntrySize;
        uint64_t object = 0;
        std::memcpy(&object, e, sizeof object);
        const uint16_t owner = uint16_t(e[8] | e[9] << 8), upper = uint16_t(e[12] | e[13] << 8);
        const uint8_t live = e[14];
        used = used || object || upper || live;
        if (object && live && (owner == pid || owner == 0)) ++out[GdiKindOfType(uint8_t(upper))];
    }
    return used;
}

bool ParseBound(const std::string& text, HandleCounts& out)
{
    HandleCounts b;
    long gdi = 0, windows = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%ld,%ld%n", &gdi, &windows, &used) != 2) return false;
    for (size_t k = 0; k < kHandleKinds; ++k) b.n[k] = gdi;
    b[hkWindows] = windows;
    // Then ",kind=N" for a kind of its own.
    for (size_t at = size_t(used); at < text.size();) {
        if (text[at] != ',') return false;
        const size_t eq = text.find('=', at), next = std::min(text.find(',', at + 1), text.size());
        if (eq == std::string::npos || eq > next) return false;
        const std::string name = text.substr(at + 1, eq - at - 1), number = text.substr(eq + 1, next - eq - 1);
        size_t k = 0;
        while (k < kHandleKinds && name != KindName(HandleKind(k))) ++k;
        char* end = nullptr;
        const long n = std::strtol(number.c_str(), &end, 10);
        if (k == kHandleKinds || number.empty() || *end != 0) return false;
        b.n[k] = n;
        at = next;
    }
    out = b;
    return true;
}

void ObjectTrack::Add(uint64_t event, uint64_t session, const HandleCounts& c, const std::string& shape, long state)
{
    if (sessions_.empty() || sessions_.back().number != session) {
        Session s;
        s.number = session;
        s.firstEvent = event;
        s.first = s.max = c;
        sessions_.push_back(s);
    }
    Session& s = sessions_.back();
    s.lastEvent = event;
    s.last = c;
    for (size_t k = 0; k < kHandleKinds; ++k) s.max.n[k] = std::max(s.max.n[k], c.n[k]);
    // A dialog box holds objects that come and go with it and with what it
    // shows (the icons of a folder): places with one are not compared.
    if (shape.find("#32770") != std::string::npos) return;
    auto place = std::find_if(places_.begin(), places_.end(), [&](const Place& p) {
        return p.session == session && p.shape == shape && p.state == state;
    });
    if (place == places_.end()) place = places_.insert(places_.end(), Place{session, shape, state, {}});
    place->points.push_back(Point{event, c});
}

const ObjectTrack::Session* ObjectTrack::Longest() const
{
    const Session* best = nullptr;
    for (const Session& s : sessions_)
        if (!best || s.Events() > best->Events()) best = &s;
    return best;
}

std::vector<std::string> ObjectTrack::Check(const HandleCounts& bound) const
{
    std::vector<std::string> out;
    for (const Place& r : places_) {
        const Point& first = r.points.front();
        for (size_t k = 0; k < kHandleKinds; ++k) {
            const HandleKind kind = HandleKind(k);
            if (bound[kind] < 0) continue;
            const Point* good = &first;
            for (const Point& p : r.points) {
                if (p.counts[kind] - first.counts[kind] <= bound[kind]) {
                    good = &p;
                    continue;
                }
                out.push_back("session " + std::to_string(r.session) + ", showing " + r.shape +
                              (r.state ? "program state " + std::to_string(r.state) + "; " : "") + KindName(kind) +
                              " climbed from " + std::to_string(first.counts[kind]) + " (event " +
                              std::to_string(first.event) + ") to " + std::to_string(p.counts[kind]) + " (event " +
                              std::to_string(p.event) + "), beyond the bound of " + std::to_string(bound[kind]) +
                              "; last within it " + std::to_string(good->counts[kind]) + " (event " +
                              std::to_string(good->event) + "): the growth is in events " +
                              std::to_string(good->event + 1) + "-" + std::to_string(p.event));
                break;
            }
        }
    }
    return out;
}

std::vector<std::string> ObjectTrack::Report() const
{
    std::vector<std::string> out;
    if (sessions_.empty()) return out;
    out.push_back("at the start: " + Describe(sessions_.front().first));
    out.push_back("at the end:   " + Describe(sessions_.back().last));
    HandleCounts most;
    size_t points = 0;
    for (const Place& r : places_) {
        points += r.points.size();
        for (const Point& p : r.points)
            for (size_t k = 0; k < kHandleKinds; ++k)
                most.n[k] = std::max(most.n[k], p.counts.n[k] - r.points.front().counts.n[k]);
    }
    out.push_back("most climbed with the same windows shown (" + std::to_string(places_.size()) + " places, " +
                  std::to_string(points) + " points, " + std::to_string(sessions_.size()) +
                  " sessions): " + Describe(most));
    if (const Session* l = Longest())
        out.push_back("longest session " + std::to_string(l->number) + ", events " + std::to_string(l->firstEvent) +
                      "-" + std::to_string(l->lastEvent) + ": first " + Describe(l->first) + "; last " +
                      Describe(l->last) + "; most " + Describe(l->max));
    return out;
}

uint64_t Coverage::Count(const std::string& what) const
{
    auto it = counts_.find(what);
    return it == counts_.end() ? 0 : it->second;
}

std::vector<std::string> Coverage::Lines() const
{
    std::vector<std::pair<std::string, uint64_t>> items(counts_.begin(), counts_.end());
    std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::vector<std::string> out;
    for (const auto& [what, n] : items) {
        std::string count = std::to_string(n);
        out.push_back(std::string(count.size() < 7 ? 7 - count.size() : 0, ' ') + count + "  " + what);
    }
    return out;
}
