// One soak run: starts the program, sends it the events of a seed, answers
// its dialogs, watches it after every event and checks its files at the end.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/soakrunner/SoakCore.h"
#include "tools/soakrunner/SoakPaths.h"
#include "tools/soakrunner/SoakWindows.h"

// 32 of each kind of GDI object, 16 windows.
inline HandleCounts DefaultBound()
{
    HandleCounts b;
    ParseBound("32,16", b);
    return b;
}

struct SoakOptions {
    uint64_t seed = 1;
    uint64_t events = 10000;
    String exe;                  // the program (full Windows path)
    String args;                 // its command line arguments
    String mainClass = L"TForm1";  // the window that shows the program has started
    String copy;                 // the folder the program may write in (default: the exe's folder)
    std::vector<String> watch;   // folders nothing may change in
    std::vector<String> skip;    // names directly under a watched folder that are not watched
    std::vector<std::pair<String, String>> accounts;   // valid logins (for the paths)
    std::vector<SoakPath> paths;  // short valid paths a share of the events follows
    int pathPercent = 4;         // that share, in percent of the events on a program window
    std::vector<String> keepOpen;  // texts of main-window controls never clicked (with them, no
                                   // Alt+F4 on the main window either): long sessions
    String log;                  // full event log (optional): the same for every run of a seed
    String samples;              // the handle counts after every event, as CSV (optional)
    String output;               // where the program's stdout and stderr go
    UINT settleMs = 5000;        // at most this long waiting for the program to settle after an event
    UINT probeMs = 5000;         // a window must answer WM_NULL within this
    UINT startSeconds = 60;
    int reportEvery = 20;        // events between report scans
    // How far each kind of handle may climb at rest within a session (a kind
    // below 0 is not checked): the stated bound of the soak.
    HandleCounts bound = DefaultBound();
    bool unskinCheck = false;    // at the end, ask the program to switch its skin off and check its controls
};

class SoakRunner {
public:
    explicit SoakRunner(SoakOptions o);
    ~SoakRunner();
    // Runs everything; 0 when the program survived and its files are sound,
    // 1 on a failure (printed with the seed, the event number and the last
    // events), 2 when the program could not be started at all.
    int Run();

    uint64_t Sessions() const { return sessions_; }
    const std::vector<String>& Failures() const { return failures_; }

private:
    bool StartProgram();
    void StopProgram();
    bool CheckAlive(uint64_t event);   // false: failed (crash); restarts after a normal end
    bool Probe(uint64_t event);
    bool DoEvent(uint64_t event);
    bool AnswerDialog(uint64_t event, const DialogInfo& d);
    void CloseForeign(uint64_t event);
    HWND ActiveWindow(SoakRng& rng, std::string& note);
    std::vector<ChildInfo> Clickable(HWND top);
    void Click(SoakRng& rng, HWND top, int button, int clicks, std::string& note);
    void TypeIntoField(SoakRng& rng, HWND top, std::string& note);
    void PressKey(SoakRng& rng, std::string& note);
    void HotKey(SoakRng& rng, std::string& note);
    void Drag(SoakRng& rng, HWND top, std::string& note);
    void MenuKey(SoakRng& rng, std::string& note);
    void FollowPath(SoakRng& rng, std::string& note);
    bool PathCanStart(const PathStep& step);
    bool PathStepDone(SoakRng& rng, HWND top, const PathStep& step, const std::pair<String, String>& account,
                      std::string& what);
    HWND VisibleWindowOf(const String& cls);
    String RandomText(SoakRng& rng, int maxLength);
    String FileDialogName(SoakRng& rng, const DialogInfo& d, std::string& note);
    bool Settle();   // false: the program did not settle in time
    std::string TimeSplit() const;
    void Sample(uint64_t event, ULONGLONG ms);
    bool UnskinCheck(uint64_t event);
    void Record(uint64_t event, const std::string& text);
    void Fail(uint64_t event, const String& reason);
    std::string SessionOutput();

    SoakOptions o_;
    EventRing ring_{50};
    FILE* log_ = nullptr;
    FILE* samples_ = nullptr;
    PROCESS_INFORMATION pi_{};
    HANDLE output_ = INVALID_HANDLE_VALUE;
    uint64_t outputStart_ = 0;
    uint64_t sessions_ = 0;
    int invisibleEvents_ = 0;
    HWND dialog_ = nullptr;       // the dialog answered last, and how often
    int dialogTries_ = 0;
    std::vector<std::pair<HWND, int>> foreign_;   // foreign windows and the events they have stayed
    std::vector<DWORD> foreignPids_;
    FileTree copyStart_;
    std::vector<FileTree> watchStart_;
    std::vector<String> copyFiles_, copyFolders_;
    std::vector<String> failures_;
    ObjectTrack objects_;
    GdiSource gdiSource_ = GdiSource::None;
    Coverage windows_, actions_;
    struct Times {                // where the run's time goes (ms)
        ULONGLONG events = 0, settle = 0, probes = 0, samples = 0, scans = 0;
        uint64_t settles = 0;
        int looks = 0;
    } times_;
    uint64_t unsettled_ = 0;      // events after which the program did not settle in time
    RECT draggedBack_{};          // where a window was when it was last dragged back onto the screen
};
