// The parts of the soak runner that do not touch windows: the repeatable
// random source, the ring of recent events, file-tree snapshots and the
// checks made on them (the program's folder copy, folders that must stay
// untouched, reports that must never be replaced).
#pragma once
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

// Handles a program holds: what its own counting owners hold (GDI objects,
// device contexts, windows; see classlib/GdiHandle.h) and the windows the
// system knows of it (top-level and child, hidden ones included).
struct HandleCounts {
    long gdi = 0, dcs = 0, windows = 0, userWindows = 0;
    bool operator==(const HandleCounts&) const = default;
};
HandleCounts operator-(const HandleCounts& a, const HandleCounts& b);
// "GDI 12, DCs 0, windows 40, USER windows 55"
std::string Describe(const HandleCounts& c);

// The shape the counts are tracked at: the windows shown and the state the
// program tells (0: none), since a program holds other caches in another state
// (a skin on or off).
std::string ShapeInState(const std::string& shape, long state);

// The counts sampled after every event, per session of the program. A leak
// shows as counts that grow while the program shows the same windows (shape:
// the classes of the visible windows, "A; B; "): for each shape, from its
// first sample to its last. A window shown for the first time in a session
// makes what it needs once (its handle, its controls, cached pictures): the
// growth is measured from samples after the last window shown for the first
// time. The session is at rest when it shows what it showed at its start.
// The system's windows of the process are compared at rest only.
class ObjectTrack {
public:
    struct Session {
        uint64_t number = 0, firstEvent = 0, lastEvent = 0, restSamples = 0;
        std::string restShape;
        std::vector<std::string> seen;   // window classes shown in the session
        std::map<std::string, std::pair<HandleCounts, HandleCounts>> shapes;   // first and last since warm
        HandleCounts first, last, max, firstRest, lastRest;
        HandleCounts Growth() const;    // the most any kind grew at one shape
        uint64_t Events() const { return lastEvent - firstEvent; }
    };
    void Add(uint64_t event, uint64_t session, const HandleCounts& c, const std::string& shape);
    // Windows shown between two samples (during one event that opens and
    // closes them): the next sample of the session counts them as shown.
    void Saw(uint64_t session, const std::string& shape);
    const std::vector<Session>& Sessions() const { return sessions_; }
    // The session with the most events (nullptr before the first sample).
    const Session* Longest() const;
    // One text per session whose counts at one shape grew by more than bound
    // in any kind (kinds of the bound that are negative are not checked).
    std::vector<std::string> Check(const HandleCounts& bound) const;
    // The report: counts at the start and end of the run, and of the longest
    // session, at rest and at most.
    std::vector<std::string> Report() const;

private:
    std::vector<Session> sessions_;
    uint64_t sawSession_ = 0;
    std::string saw_;   // shapes seen since the last sample, of sawSession_
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
