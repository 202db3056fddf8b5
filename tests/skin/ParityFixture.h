// Drives a skinned control and its plain twin with the same real input and
// reads back what a program can observe of them: scroll positions and ranges,
// selection and caret, check states, focus, mouse capture, open drop lists
// and menus, and the commands and notifications the windows received, in
// order. Pixels are not read.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <climits>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "classlib/Buttons.h"
#include "classlib/ComBars.h"
#include "classlib/ComCtrls.h"
#include "classlib/Grids.h"
#include "classlib/ListControls.h"
#include "classlib/ListView.h"
#include "classlib/PageControl.h"
#include "classlib/StdCtrls.h"
#include "classlib/TreeView.h"
#include "support/GuiTest.h"

namespace parity {

// ---------------------------------------------------------------- input scripts

// A point on a control: x, y from its window's left and top edges; a negative
// value counts from the right or bottom edge (-1 is the last pixel); Mid is
// the middle.
constexpr int Mid = INT_MIN;
struct Spot {
    int x = Mid, y = Mid;
};

enum class Op { Move, Down, Up, Wheel, KeyDown, KeyUp, Wait };
struct Step {
    Op op;
    Spot at{};
    int value = 0;   // wheel delta, virtual key, wait in ms
};
using Script = std::vector<Step>;

inline Script operator+(Script a, const Script& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
// Every press and release moves the mouse to its spot first, as one event.
inline Script MoveTo(Spot s) { return {{Op::Move, s}}; }
inline Script Click(Spot s) { return {{Op::Down, s}, {Op::Up, s}}; }
// With a hand's pauses: the second press is held a while.
inline Script DoubleClick(Spot s)
{
    return Click(s) + Script{{Op::Wait, s, 40}, {Op::Down, s}, {Op::Wait, s, 60}, {Op::Up, s}};
}
// Presses at from, moves to to in three steps, lets go there. The steps are
// as far apart as a hand's (moves closer together are merged by the system).
inline Script Drag(Spot from, Spot to)
{
    Script s{{Op::Down, from}};
    auto lerp = [](int a, int b, int i) {
        if (a == Mid || b == Mid || (a < 0) != (b < 0)) return i < 3 ? a : b;
        return a + (b - a) * i / 3;
    };
    for (int i = 1; i <= 3; ++i) {
        s.push_back({Op::Wait, {}, 25});
        s.push_back({Op::Move, {lerp(from.x, to.x, i), lerp(from.y, to.y, i)}});
    }
    s.push_back({Op::Up, to});
    return s;
}
inline Script Wheel(Spot s, int notches) { return {{Op::Move, s}, {Op::Wheel, s, -120 * notches}}; }
inline Script Keys(std::initializer_list<int> vks)
{
    Script s;
    for (int vk : vks) {
        s.push_back({Op::KeyDown, {}, vk});
        s.push_back({Op::KeyUp, {}, vk});
    }
    return s;
}
// A key with a modifier held (VK_CONTROL, VK_SHIFT, VK_MENU), pressed a
// moment before the key as a hand does. The mouse rests a while first: the
// display tells the system which modifiers it holds down whenever the pointer
// enters a window, and such late news would let go of the modifier.
inline Script Chord(int modifier, int vk)
{
    return {{Op::Wait, {}, 40}, {Op::KeyDown, {}, modifier}, {Op::Wait, {}, 20}, {Op::KeyDown, {}, vk}, {Op::KeyUp, {}, vk},
            {Op::KeyUp, {}, modifier}};
}

inline POINT ScreenPoint(const RECT& r, Spot s)
{
    auto axis = [](int v, LONG lo, LONG hi) -> LONG {
        if (v == Mid) return (lo + hi) / 2;
        return v >= 0 ? lo + v : hi + v;
    };
    return {axis(s.x, r.left, r.right), axis(s.y, r.top, r.bottom)};
}

// One thread that sends input for the whole run (a thread's first SendInput
// is slow under Wine); this thread handles messages while it plays.
class InputPlayer {
public:
    static InputPlayer& Instance()
    {
        static InputPlayer* player = new InputPlayer;   // lives as long as the process
        return *player;
    }
    void Run(std::vector<INPUT>& inputs, int stepMs)
    {
        inputs_ = &inputs;
        stepMs_ = stepMs;
        ResetEvent(done_);
        SetEvent(go_);
        const DWORD until = GetTickCount() + 8000;
        while (WaitForSingleObject(done_, 0) != WAIT_OBJECT_0 && GetTickCount() < until)
            Pump(2);
    }

private:
    InputPlayer()
    {
        go_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        CloseHandle(CreateThread(nullptr, 0, &InputPlayer::Thread, this, 0, nullptr));
    }
    static DWORD CALLBACK Thread(LPVOID self)
    {
        auto* p = static_cast<InputPlayer*>(self);
        for (;;) {
            WaitForSingleObject(p->go_, INFINITE);
            for (INPUT& in : *p->inputs_) {
                if (in.type == ~0u) {
                    Sleep(in.mi.time);
                    continue;
                }
                SendInput(1, &in, sizeof in);
                Sleep(DWORD(p->stepMs_));
            }
            SetEvent(p->done_);
        }
    }
    HANDLE go_ = nullptr, done_ = nullptr;
    std::vector<INPUT>* inputs_ = nullptr;
    int stepMs_ = 0;
};

// Plays a script relative to r (a control on the screen) through SendInput
// from the player's thread (so that the system's modal loops of scroll bars
// and menus see the input as a user's); then waits until nothing more happens.
inline void Play(const RECT& r, const Script& script, int stepMs = 3)
{
    std::vector<INPUT> inputs;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    for (const Step& st : script) {
        INPUT in{};
        if (st.op == Op::KeyDown || st.op == Op::KeyUp) {
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = WORD(st.value);
            in.ki.wScan = WORD(MapVirtualKeyW(UINT(st.value), MAPVK_VK_TO_VSC));
            in.ki.dwFlags = st.op == Op::KeyUp ? KEYEVENTF_KEYUP : 0;
            const bool extended = st.value == VK_LEFT || st.value == VK_RIGHT || st.value == VK_UP ||
                                  st.value == VK_DOWN || st.value == VK_HOME || st.value == VK_END ||
                                  st.value == VK_PRIOR || st.value == VK_NEXT;
            if (extended) in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        } else if (st.op != Op::Wait) {
            in.type = INPUT_MOUSE;
            const POINT p = ScreenPoint(r, st.at);
            in.mi.dx = LONG((p.x * 65535LL + sw / 2) / (sw - 1));
            in.mi.dy = LONG((p.y * 65535LL + sh / 2) / (sh - 1));
            in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
            if (st.op == Op::Down) in.mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
            if (st.op == Op::Up) in.mi.dwFlags |= MOUSEEVENTF_LEFTUP;
            if (st.op == Op::Wheel) {
                in.mi.dwFlags |= MOUSEEVENTF_WHEEL;
                in.mi.mouseData = DWORD(st.value);
            }
        } else {
            in.type = ~0u;   // a pause
            in.mi.time = DWORD(st.value);
        }
        inputs.push_back(in);
    }
    InputPlayer::Instance().Run(inputs, stepMs);
    // Until no input, posted or sent message waits for a while (bounded;
    // timers such as the caret's tick on).
    const DWORD limit = GetTickCount() + 1500;
    int quiet = 0;
    while (quiet < 2 && GetTickCount() < limit) {
        if (HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE))) {
            quiet = 0;
            Pump(0);
        } else {
            ++quiet;
        }
        Sleep(6);
        Pump(0);
    }
}

// ---------------------------------------------------------------- what a program sees

// Names a window by its place in the form's class-library control tree
// ("form", "0", "0.1"); a native window below a control adds its class
// ("0/SysHeader32"); a window elsewhere is "outside", none "none".
class Namer {
public:
    explicit Namer(TWinControl* form) { Walk(form, "form"); }
    std::string Name(HWND wnd) const
    {
        if (!wnd) return "none";
        std::string suffix;
        for (HWND w = wnd; w; w = GetParent(w)) {
            for (const auto& [h, name] : known_)
                if (h == w) return name + suffix;
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            std::string c;
            for (const wchar_t* p = cls; *p; ++p) c += char(*p);
            suffix = "/" + c + suffix;
        }
        return "outside";
    }
    bool Inside(HWND wnd) const { return Name(wnd) != "outside"; }

private:
    void Walk(TWinControl* c, const std::string& name)
    {
        if (c->HandleAllocated()) known_.push_back({c->Handle(), name});
        for (int i = 0; i < c->ControlCount(); ++i)
            if (auto* w = dynamic_cast<TWinControl*>(c->Controls(i)))
                Walk(w, name == "form" ? std::to_string(i) : name + "." + std::to_string(i));
    }
    std::vector<std::pair<HWND, std::string>> known_;
};

// The commands, notifications and scroll messages that reach the windows of
// one form, in order, seen by a thread hook (no window procedure is replaced)
// and the class-library events the test's controls report.
class Recorder {
public:
    explicit Recorder(TWinControl* form) : namer_(form)
    {
        current_ = this;
        hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &Recorder::HookProc, nullptr, GetCurrentThreadId());
    }
    ~Recorder()
    {
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;
    static void Event(const std::string& what)
    {
        if (current_) current_->lines_.push_back(what);
    }
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wp, LPARAM lp)
    {
        if (code == HC_ACTION && current_) current_->Take(*reinterpret_cast<CWPSTRUCT*>(lp));
        return CallNextHookEx(nullptr, code, wp, lp);
    }
    void Take(const CWPSTRUCT& m)
    {
        std::ostringstream line;
        switch (m.message) {
        case WM_COMMAND:
            if (!m.lParam) return;   // menus and accelerators: not a control's
            line << "WM_COMMAND " << HIWORD(m.wParam) << " from " << namer_.Name(HWND(m.lParam));
            break;
        case WM_NOTIFY: {
            const auto* n = reinterpret_cast<const NMHDR*>(m.lParam);
            const int c = int(n->code);
            // How a control is drawn, what its tips show, which cursor it sets
            // and which tool button is hot (asked again at each mouse move the
            // system makes up) is not behaviour.
            for (UINT drawn : {UINT(NM_CUSTOMDRAW), UINT(LVN_GETDISPINFOW), UINT(LVN_GETDISPINFOA),
                               UINT(TVN_GETDISPINFOW), UINT(TVN_GETDISPINFOA), UINT(NM_TOOLTIPSCREATED),
                               UINT(NM_SETCURSOR), UINT(TBN_HOTITEMCHANGE)})
                if (n->code == drawn) return;
            if (c <= int(TTN_FIRST) && c >= int(TTN_LAST)) return;
            line << "WM_NOTIFY " << c << " from " << namer_.Name(n->hwndFrom);
            break;
        }
        case WM_HSCROLL:
        case WM_VSCROLL: {
            const int sb = LOWORD(m.wParam);
            line << (m.message == WM_HSCROLL ? "WM_HSCROLL " : "WM_VSCROLL ") << sb;
            if (sb == SB_THUMBTRACK || sb == SB_THUMBPOSITION) line << "@" << HIWORD(m.wParam);
            // LParam names the bar control that scrolled; a window's own bars
            // leave it 0 (or, skinned, may carry the full position).
            if (m.lParam && IsWindow(HWND(m.lParam))) line << " from " << namer_.Name(HWND(m.lParam));
            break;
        }
        default:
            return;
        }
        if (!namer_.Inside(m.hwnd)) return;
        line << " to " << namer_.Name(m.hwnd);
        lines_.push_back(line.str());
    }

    Namer namer_;
    HHOOK hook_ = nullptr;
    std::vector<std::string> lines_;
    static inline Recorder* current_ = nullptr;
};

inline std::string Narrow(const String& s)
{
    std::string out;
    for (wchar_t c : s) out += c < 128 ? char(c) : '?';
    return out;
}

inline std::string ScrollText(HWND wnd, int bar)
{
    SCROLLINFO si{sizeof si, SIF_ALL};
    if (!GetScrollInfo(wnd, bar, &si)) return "-";
    std::ostringstream s;
    s << si.nPos << " of " << si.nMin << ".." << si.nMax << " page " << si.nPage;
    return s.str();
}

// The state of one control of the tree, as its class shows it to a program.
inline void DescribeControl(TControl* c, const std::string& name, std::ostringstream& out)
{
    out << name << ":";
    auto* w = dynamic_cast<TWinControl*>(c);
    const HWND h = w && w->HandleAllocated() ? w->Handle() : nullptr;
    if (h) {
        const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
        if (style & WS_HSCROLL) out << " hbar " << ScrollText(h, SB_HORZ);
        if (style & WS_VSCROLL) out << " vbar " << ScrollText(h, SB_VERT);
        out << (IsWindowEnabled(h) ? "" : " disabled");
    }
    if (auto* e = dynamic_cast<TCustomEdit*>(c)) {
        DWORD from = 0, to = 0;
        SendMessageW(h, EM_GETSEL, WPARAM(&from), LPARAM(&to));
        out << " sel " << from << ".." << to << " top line " << SendMessageW(h, EM_GETFIRSTVISIBLELINE, 0, 0);
        if (dynamic_cast<TCustomMemo*>(c))
            out << " lines " << SendMessageW(h, EM_GETLINECOUNT, 0, 0) << " length " << e->Text().size();
        else
            out << " text \"" << Narrow(e->Text()) << "\"";
    } else if (dynamic_cast<TCustomListBox*>(c)) {
        out << " item " << SendMessageW(h, LB_GETCURSEL, 0, 0) << " caret " << SendMessageW(h, LB_GETCARETINDEX, 0, 0)
            << " top " << SendMessageW(h, LB_GETTOPINDEX, 0, 0);
    } else if (auto* cb = dynamic_cast<TCustomComboBox*>(c)) {
        out << " item " << SendMessageW(h, CB_GETCURSEL, 0, 0) << " dropped "
            << SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0) << " text \"" << Narrow(cb->Text()) << "\"";
        COMBOBOXINFO ci{sizeof ci};
        if (GetComboBoxInfo(h, &ci) && ci.hwndList)
            out << " list top " << SendMessageW(ci.hwndList, LB_GETTOPINDEX, 0, 0) << " list item "
                << SendMessageW(ci.hwndList, LB_GETCURSEL, 0, 0);
    } else if (dynamic_cast<TListView*>(c)) {
        out << " selected " << SendMessageW(h, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED) << " focused "
            << SendMessageW(h, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED) << " top "
            << SendMessageW(h, LVM_GETTOPINDEX, 0, 0);
    } else if (auto* tv = dynamic_cast<TTreeView*>(c)) {
        auto text = [&](HTREEITEM item) {
            if (!item) return std::string("nil");
            wchar_t buf[64] = {};
            TVITEMW it{};
            it.mask = TVIF_TEXT | TVIF_STATE;
            it.hItem = item;
            it.pszText = buf;
            it.cchTextMax = 64;
            SendMessageW(h, TVM_GETITEMW, 0, LPARAM(&it));
            return Narrow(buf) + ((it.state & TVIS_EXPANDED) ? "+" : "");
        };
        out << " caret " << text(HTREEITEM(SendMessageW(h, TVM_GETNEXTITEM, TVGN_CARET, 0))) << " first "
            << text(HTREEITEM(SendMessageW(h, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0))) << " root "
            << text(HTREEITEM(SendMessageW(h, TVM_GETNEXTITEM, TVGN_ROOT, 0)));
        (void)tv;
    } else if (auto* g = dynamic_cast<TCustomGrid*>(c)) {
        out << " cell " << g->Col() << "," << g->Row() << " top " << g->TopRow() << " left " << g->LeftCol();
    } else if (auto* tb = dynamic_cast<TTrackBar*>(c)) {
        out << " position " << tb->Position();
    } else if (auto* ud = dynamic_cast<TUpDown*>(c)) {
        out << " position " << ud->Position();
    } else if (auto* sb = dynamic_cast<TScrollBar*>(c)) {
        out << " position " << sb->Position() << " bar " << ScrollText(h, SB_CTL);
    } else if (auto* ch = dynamic_cast<TCustomCheckBox*>(c)) {
        out << " state " << int(ch->State()) << " shown " << SendMessageW(h, BM_GETCHECK, 0, 0);
    } else if (auto* rb = dynamic_cast<TRadioButton*>(c)) {
        out << " checked " << rb->Checked() << " shown " << SendMessageW(h, BM_GETCHECK, 0, 0);
    } else if (dynamic_cast<TButton*>(c)) {
        out << " pushed " << ((SendMessageW(h, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0);
    } else if (auto* pc = dynamic_cast<TPageControl*>(c)) {
        out << " page " << pc->ActivePageIndex();
    } else if (auto* tc = dynamic_cast<TTabControl*>(c)) {
        out << " tab " << tc->TabIndex();
    } else if (auto* rg = dynamic_cast<TRadioGroup*>(c)) {
        out << " item " << rg->ItemIndex();
    } else if (auto* bar = dynamic_cast<TToolBar*>(c)) {
        for (int i = 0; i < bar->ButtonCount(); ++i) out << " button" << i << (bar->Buttons(i)->Down() ? " down" : " up");
    } else if (auto* sp = dynamic_cast<TSpeedButton*>(c)) {
        out << (sp->Down() ? " down" : " up");
    }
    out << "\n";
    if (w)
        for (int i = 0; i < w->ControlCount(); ++i)
            DescribeControl(w->Controls(i), name == "form" ? std::to_string(i) : name + "." + std::to_string(i), out);
}

// Everything observed of a form after a script.
inline std::string Observe(TWinControl* form, const Recorder& rec)
{
    Namer namer(form);
    std::ostringstream out;
    DescribeControl(form, "form", out);
    out << "focus " << namer.Name(GetFocus()) << "\ncapture " << namer.Name(GetCapture()) << "\n";
    bool menu = false;
    for (HWND m = FindWindowW(L"#32768", nullptr); m; m = FindWindowExW(nullptr, m, L"#32768", nullptr))
        menu = menu || IsWindowVisible(m);
    out << "menu open " << menu << "\n";
    for (const std::string& line : rec.Lines()) out << line << "\n";
    return out.str();
}

}  // namespace parity
