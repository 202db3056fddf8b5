// Random source, event ring, file-tree snapshots and checks; see SoakCore.h.
#include <windows.h>

#include "tools/soakrunner/SoakCore.h"

#include <algorithm>

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

HandleCounts operator-(const HandleCounts& a, const HandleCounts& b)
{
    return HandleCounts{a.gdi - b.gdi, a.dcs - b.dcs, a.windows - b.windows, a.userWindows - b.userWindows};
}

std::string Describe(const HandleCounts& c)
{
    return "GDI " + std::to_string(c.gdi) + ", DCs " + std::to_string(c.dcs) + ", windows " +
           std::to_string(c.windows) + ", USER windows " + std::to_string(c.userWindows);
}

void ObjectTrack::Add(uint64_t event, uint64_t session, const HandleCounts& c, const std::string& shape)
{
    if (sessions_.empty() || sessions_.back().number != session) {
        Session s;
        s.number = session;
        s.firstEvent = event;
        s.restShape = shape;
        s.first = s.max = s.firstRest = c;
        sessions_.push_back(s);
    }
    Session& s = sessions_.back();
    const bool opening = s.seen.empty();   // the rest shape itself
    // A window shown and closed within the event made what it needs (and may
    // keep it, as a closed form stays hidden) as surely as one still shown.
    const std::string shown = sawSession_ == session ? shape + saw_ : shape;
    saw_.clear();
    for (size_t at = 0, end; (end = shown.find("; ", at)) != std::string::npos; at = end + 2) {
        std::string cls = shown.substr(at, end - at);
        if (std::find(s.seen.begin(), s.seen.end(), cls) == s.seen.end()) {
            s.seen.push_back(cls);
            if (!opening) s.shapes.clear();   // measured again from here
        }
    }
    auto [at, fresh] = s.shapes.try_emplace(shape, c, c);
    if (!fresh) at->second.second = c;
    s.lastEvent = event;
    s.last = c;
    s.max = HandleCounts{std::max(s.max.gdi, c.gdi), std::max(s.max.dcs, c.dcs), std::max(s.max.windows, c.windows),
                         std::max(s.max.userWindows, c.userWindows)};
    if (shape == s.restShape) {
        if (fresh) s.firstRest = c;
        s.lastRest = c;
        ++s.restSamples;
    }
}

void ObjectTrack::Saw(uint64_t session, const std::string& shape)
{
    if (sawSession_ != session) saw_.clear();
    sawSession_ = session;
    saw_ += shape;
}

const ObjectTrack::Session* ObjectTrack::Longest() const
{
    const Session* best = nullptr;
    for (const Session& s : sessions_)
        if (!best || s.Events() > best->Events()) best = &s;
    return best;
}

HandleCounts ObjectTrack::Session::Growth() const
{
    HandleCounts most;
    for (const auto& [shape, firstLast] : shapes) {
        HandleCounts g = firstLast.second - firstLast.first;
        most = HandleCounts{std::max(most.gdi, g.gdi), std::max(most.dcs, g.dcs), std::max(most.windows, g.windows), 0};
    }
    // The system's windows of the process (a common dialog's, made while the
    // program waits for it) come and go with what is open, whatever shows:
    // they are compared at rest only.
    most.userWindows = restSamples ? std::max(0L, lastRest.userWindows - firstRest.userWindows) : 0;
    return most;
}

std::string ShapeInState(const std::string& shape, long state)
{
    return state ? shape + "state " + std::to_string(state) + "; " : shape;
}

std::vector<std::string> ObjectTrack::Check(const HandleCounts& bound) const
{
    std::vector<std::string> out;
    for (const Session& s : sessions_) {
        HandleCounts g = s.Growth();
        if ((bound.gdi >= 0 && g.gdi > bound.gdi) || (bound.dcs >= 0 && g.dcs > bound.dcs) ||
            (bound.windows >= 0 && g.windows > bound.windows) ||
            (bound.userWindows >= 0 && g.userWindows > bound.userWindows))
            out.push_back("session " + std::to_string(s.number) + " (events " + std::to_string(s.firstEvent) + "-" +
                          std::to_string(s.lastEvent) + "): with the same windows shown the counts grew by " +
                          Describe(g) + " (at rest from " + Describe(s.firstRest) + " to " + Describe(s.lastRest) +
                          "), beyond the bound of " + Describe(bound));
    }
    return out;
}

std::vector<std::string> ObjectTrack::Report() const
{
    std::vector<std::string> out;
    if (sessions_.empty()) return out;
    out.push_back("objects at the start: " + Describe(sessions_.front().first));
    out.push_back("objects at the end:   " + Describe(sessions_.back().last));
    HandleCounts worst;
    for (const Session& s : sessions_) {
        HandleCounts g = s.Growth();
        worst = HandleCounts{std::max(worst.gdi, g.gdi), std::max(worst.dcs, g.dcs),
                             std::max(worst.windows, g.windows), std::max(worst.userWindows, g.userWindows)};
    }
    out.push_back("largest growth with the same windows shown, in one of " + std::to_string(sessions_.size()) +
                  " sessions: " + Describe(worst));
    if (const Session* l = Longest())
        out.push_back("longest session " + std::to_string(l->number) + ", events " + std::to_string(l->firstEvent) +
                      "-" + std::to_string(l->lastEvent) + " (" + std::to_string(l->restSamples) +
                      " at rest): at rest " + Describe(l->firstRest) + " -> " + Describe(l->lastRest) + "; most " +
                      Describe(l->max));
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
