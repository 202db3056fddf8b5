// The parts of the soak runner that do not touch windows: the repeatable
// random source, the ring of recent events, file-tree snapshots and the
// checks made on them (the program's folder copy, folders that must stay
// untouched, reports that must never be replaced).
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "classlib/SysUtils.h"

// splitmix64: small, fast and the same on every platform and compiler, so a
// seed names one sequence of events for good.
class SoakRng {
public:
    explicit SoakRng(uint64_t seed) : state_(seed) {}
    // The random source of one event: a function of (seed, event, stream)
    // only, so event n draws the same numbers whatever the events before it
    // drew (a dialog that opened a little later cannot shift the rest).
    static SoakRng For(uint64_t seed, uint64_t event, uint64_t stream = 0);

    uint64_t Next();
    // 0 .. n-1 without modulo bias; n must be positive.
    uint32_t Below(uint32_t n);
    // lo .. hi inclusive.
    int Range(int lo, int hi);
    // true with probability percent / 100.
    bool Percent(int percent);
    // An index into weights, each chosen in proportion to its weight
    // (at least one weight must be positive).
    size_t Weighted(const std::vector<int>& weights);

private:
    uint64_t state_;
};

// The last `capacity` events as one-line texts, oldest first.
class EventRing {
public:
    explicit EventRing(size_t capacity = 50) : capacity_(capacity) {}
    void Add(uint64_t number, const std::string& text);
    std::vector<std::string> Lines() const;   // "#<number> <text>"
    size_t Size() const { return items_.size(); }

private:
    size_t capacity_;
    std::deque<std::pair<uint64_t, std::string>> items_;
};

// One entry of a file tree: folders have size, time and hash 0.
struct FileState {
    bool folder = false;
    uint64_t size = 0;
    uint64_t writeTime = 0;
    uint64_t hash = 0;
    bool operator==(const FileState&) const = default;
};

// Relative path (as the file system spells it, '\' separated) -> state.
using FileTree = std::map<String, FileState>;

// FNV-1a over the bytes.
uint64_t HashBytes(const std::string& bytes);

// Every file and folder below root (which may lack its trailing '\'), with
// the contents hashed. Paths relative to root whose first part equals one of
// skip (case-insensitive) are left out. A missing root gives an empty tree.
// Without hash only names, sizes and times are taken (hash stays 0).
FileTree SnapshotTree(const String& root, const std::vector<String>& skip = {}, bool hash = true);

struct TreeChanges {
    std::vector<String> added, removed, changed;
    bool Empty() const { return added.empty() && removed.empty() && changed.empty(); }
};
TreeChanges CompareTrees(const FileTree& before, const FileTree& after);

// What must hold for the copy of the program folder after a run:
//  - nothing that existed is gone;
//  - no temporary file of the container writer ("~tv*.tmp") is left;
//  - every file that is new or changed reads through the program's own
//    container reader (the program writes nothing else);
//  (files that did not change read as they did at the start).
// Returns one text per violation (empty: the copy is sound).
std::vector<String> CheckCopy(const String& root, const FileTree& before, const FileTree& after);

// Reports are files in Content\<subject>\Тесты\Отчеты\. Once one has been
// seen, it must never change: a changed report means one report replaced
// another.
class ReportWatch {
public:
    explicit ReportWatch(String root) : root_(IncludeTrailingBackslash(root)) {}
    // Looks at every report; returns one text per report that changed since
    // it was first seen. Seen reports that disappear are reported too.
    std::vector<String> Scan();
    size_t Known() const { return known_.size(); }

private:
    String root_;
    std::map<String, FileState> known_;
};

// Names of the files in the copy that the dialog answers may use, relative
// to the copy's root: every file and folder of the tree.
std::vector<String> TreeNames(const FileTree& tree, bool folders);

// How a session of the program ended.
enum class SessionEnd { Running, Normal, Crashed };
// exitCode as the process reported it; output is what the program (and the
// crash handler) wrote to its stdout and stderr. A backtrace in the output
// counts as a crash whatever the exit code.
SessionEnd ClassifyExit(unsigned long exitCode, const std::string& output);
// Where the first line of a crash report starts in output (npos: none).
size_t CrashReportStart(const std::string& output);

// The handles a program holds, by kind: its GDI objects by type (read from
// the process's GDI handle table; where only a total is known it is counted as
// "GDI objects") and its windows, top-level and child, hidden ones included.
enum HandleKind : size_t {
    hkDCs, hkRegions, hkBitmaps, hkPalettes, hkFonts, hkBrushes, hkPens, hkGdiObjects, hkWindows, kHandleKinds
};
// "DCs", "regions", ..., "GDI objects" (of another or an unknown type), "windows".
const char* KindName(HandleKind kind);

struct HandleCounts {
    std::array<long, kHandleKinds> n{};
    long& operator[](HandleKind k) { return n[k]; }
    long operator[](HandleKind k) const { return n[k]; }
    bool operator==(const HandleCounts&) const = default;
};
HandleCounts operator-(const HandleCounts& a, const HandleCounts& b);
// "DCs 1, bitmaps 12, fonts 3, windows 40": the kinds that are not 0.
std::string Describe(const HandleCounts& c);

// The GDI handle table a process environment block points to (the layout
// Wine shares, as Windows does): entries of 24 bytes, the object's address
// (8), its owner's process id (2) and a lock count (2), the handle's upper
// word (2; its low byte is the object's type), the object's base type (1, 0
// once freed), flags (1) and a user address (8).
constexpr size_t kGdiEntrySize = 24;
// The kind of an object's type (the low byte of its handle's upper word).
HandleKind GdiKindOfType(uint8_t type);
// Adds the live objects among `entries` entries at bytes that belong to the
// process (its id's low 16 bits) or to no process (stock objects; Wine's
// tables, one per process, name no owner). Returns false when none of them was
// ever used: the used part of the table ended before them (the table hands
// out fresh entries in order; a freed one keeps its upper word).
bool CountGdiEntries(const uint8_t* bytes, size_t entries, uint16_t pid, HandleCounts& out);

// Parses a bound "G,W[,kind=N]...": how far each kind of GDI object and the
// windows may climb, then kinds of their own ("fonts=640"; a kind as KindName
// names it); a negative number: not checked.
bool ParseBound(const std::string& text, HandleCounts& out);

// The counts sampled after every event. A leak shows as counts that climb
// while the program shows the same windows in the same state (a skin on or
// off holds other caches): each time a session of the program is back at one
// such place (at its start window with nothing else open, or at any other), its
// counts are compared with the first time it was there, over the whole session.
// What a window shown for the first time makes once (its controls, cached
// pictures) has to fit in the bound; a steady leak climbs past any bound.
// Places with a dialog box are not compared: a box's objects come and go with
// it and with what it shows (the icons of a folder).
class ObjectTrack {
public:
    struct Point {
        uint64_t event;
        HandleCounts counts;
    };
    struct Place {   // one place of one session: its points in order
        uint64_t session;
        std::string shape;
        long state;
        std::vector<Point> points;
    };
    struct Session {
        uint64_t number = 0, firstEvent = 0, lastEvent = 0;
        HandleCounts first, last, max;
        uint64_t Events() const { return lastEvent - firstEvent; }
    };
    // shape: the classes of the windows shown ("A; B; "); state: what the
    // program tells of itself (0: nothing).
    void Add(uint64_t event, uint64_t session, const HandleCounts& c, const std::string& shape, long state = 0);
    const std::vector<Session>& Sessions() const { return sessions_; }
    // The session with the most events (nullptr before the first sample).
    const Session* Longest() const;
    // One text per place and kind whose count climbed more than the bound
    // above its first count there: the kind, the counts, and the events
    // between the last point within the bound and the first beyond it.
    std::vector<std::string> Check(const HandleCounts& bound) const;
    // The report: counts at the start and the end of the run, the most each
    // kind climbed at one place, the longest session.
    std::vector<std::string> Report() const;

private:
    std::vector<Session> sessions_;
    std::vector<Place> places_;
};

// How often the soak reached each window and action, most often first.
class Coverage {
public:
    void Reached(const std::string& what, uint64_t times = 1) { counts_[what] += times; }
    uint64_t Count(const std::string& what) const;
    // "  1234  what" lines, the most often reached first (ties by name).
    std::vector<std::string> Lines() const;

private:
    std::map<std::string, uint64_t> counts_;
};
