#include "classlib/WebBrowser.h"

#include <richedit.h>

#include <cstring>
#include <cwctype>

#include "classlib/Classes.h"
#include "classlib/HtmlDocument.h"

std::function<bool(std::string& bytes)> TWebBrowser::PageFilter;

namespace {
const wchar_t* RichEditClass()
{
    static const wchar_t* cls = [] {
        if (LoadLibraryW(L"msftedit.dll")) return L"RICHEDIT50W";
        LoadLibraryW(L"riched20.dll");
        return L"RichEdit20W";
    }();
    return cls;
}

// A short page with a heading and an error text, as UTF-8 HTML.
std::string ErrorPage(const char* heading, const String& message)
{
    std::string text;
    for (char c : StringToUtf8(message)) {
        if (c == '<') text += "&lt;";
        else if (c == '>') text += "&gt;";
        else if (c == '&') text += "&amp;";
        else text += c;
    }
    return std::string("<html><head><meta charset=\"utf-8\"></head><body><h2>") + heading + "</h2><p>" + text +
           "</p></body></html>";
}

struct StreamState {
    const std::string* data;
    size_t pos;
};

DWORD CALLBACK ReadRtf(DWORD_PTR cookie, LPBYTE buffer, LONG cb, LONG* got)
{
    auto* s = reinterpret_cast<StreamState*>(cookie);
    size_t n = std::min(size_t(cb), s->data->size() - s->pos);
    std::memcpy(buffer, s->data->data() + s->pos, n);
    s->pos += n;
    *got = LONG(n);
    return 0;
}

int HexValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Decodes %XX escapes (UTF-8 bytes, as file: URLs and links write them).
String PercentDecode(const String& s)
{
    if (s.find(L'%') == String::npos) return s;
    std::string bytes;
    for (size_t i = 0; i < s.size(); ++i) {
        int hi, lo;
        if (s[i] == L'%' && i + 2 < s.size() && (hi = HexValue(s[i + 1])) >= 0 && (lo = HexValue(s[i + 2])) >= 0) {
            bytes += char(hi * 16 + lo);
            i += 2;
        } else {
            bytes += StringToUtf8(String(1, s[i]));
        }
    }
    return Utf8ToString(bytes);
}

String Slashes(String p)
{
    for (auto& c : p)
        if (c == L'/') c = L'\\';
    return p;
}

String FileFromUrl(const String& url)
{
    String lower = url.substr(0, 8);
    for (auto& c : lower) c = wchar_t(towlower(c));
    if (lower.rfind(L"file:///", 0) == 0) return Slashes(PercentDecode(url.substr(8)));
    if (lower.rfind(L"file://", 0) == 0) return L"\\\\" + Slashes(PercentDecode(url.substr(7)));
    return url;
}

// The file a picture of the page at folder refers to, or empty for pictures
// that are not local files.
String PictureFile(const String& folder, const std::string& src)
{
    String s = Utf8ToString(src);
    size_t cut = s.find_first_of(L"?#");
    if (cut != String::npos) s.resize(cut);
    String lower = s.substr(0, 8);
    for (auto& c : lower) c = wchar_t(towlower(c));
    if (lower.rfind(L"file:", 0) == 0) return FileFromUrl(s);
    size_t colon = s.find(L':');
    if (colon != String::npos && colon > 1) return {};   // http:, data:, mailto: ...
    s = Slashes(PercentDecode(s));
    if (s.size() > 1 && (s[1] == L':' || (s[0] == L'\\' && s[1] == L'\\'))) return s;   // absolute
    return folder + s;
}

bool LoadPicture(const String& file, html::Picture& out)
{
    if (file.empty()) return false;
    try {
        TPicture pic;
        pic.LoadFromFile(file);
        if (!pic.Graphic() || pic.Width() <= 0 || pic.Height() <= 0) return false;
        TBitmap bmp;
        bmp.Assign(pic.Graphic());
        bmp.SetPixelFormat(TPixelFormat::pf32bit);
        out.width = bmp.Width();
        out.height = bmp.Height();
        out.bgra.resize(size_t(out.width) * size_t(out.height) * 4);
        bool anyAlpha = false;
        for (int y = 0; y < out.height; ++y) {
            uint8_t* row = &out.bgra[size_t(y) * size_t(out.width) * 4];
            std::memcpy(row, bmp.ScanLine(y), size_t(out.width) * 4);
            for (int x = 0; x < out.width && !anyAlpha; ++x) anyAlpha = row[x * 4 + 3] != 0;
        }
        // A picture drawn without an alpha channel is opaque, not invisible.
        if (!anyAlpha)
            for (size_t i = 3; i < out.bgra.size(); i += 4) out.bgra[i] = 255;
        return true;
    } catch (const Exception&) {
        return false;
    }
}

// The wait cursor while a page is prepared; the previous one comes back.
class WaitCursor {
public:
    WaitCursor() : saved_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(saved_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR saved_;
};
}  // namespace

TWebBrowser::TWebBrowser(TComponent* owner) : TWinControl(owner)
{
    RichEditClass();
    SetBounds(0, 0, 300, 150);
    SetColor(clWindow);
    SetTabStop(true);
}

void TWebBrowser::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.SubclassOf = RichEditClass();
    p.Style |= ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | ES_NOHIDESEL;
}

void TWebBrowser::HandleCreated()
{
    SendMessageW(handle_, EM_SETBKGNDCOLOR, 0, LPARAM(ColorToRGB(Color())));
    SendMessageW(handle_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    SendMessageW(handle_, EM_SETUNDOLIMIT, 0, 0);   // pictures put in later are not edits to undo
    // A little room between the page and the control's edges.
    SendMessageW(handle_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(10, 10));
}

TWebBrowser::~TWebBrowser() { FreeRetired(); }

void TWebBrowser::FreeRetired()
{
    for (HWND w : retired_)
        if (IsWindow(w)) DestroyWindow(w);
    retired_.clear();
}

void TWebBrowser::DestroyWnd()
{
    FreeRetired();
    DropPictures();
    shown_ = false;
    TWinControl::DestroyWnd();
}

void TWebBrowser::WndProc(TMessage& m)
{
    if (m.Msg == CM_FREEPAGES) {
        FreeRetired();
        return;
    }
    if (m.Msg == CM_PICTURES) {
        // A step short enough that the reader does not notice it.
        InsertPictures(0.03);
        if (PendingPictures()) PostMessageW(handle_, CM_PICTURES, 0, 0);
        return;
    }
    TWinControl::WndProc(m);
}

void TWebBrowser::FinishPictures() { InsertPictures(0); }

void TWebBrowser::DropPictures()
{
    loader_.reset();
    page_.reset();
    picturePlaces_.clear();
    nextPicture_ = 0;
}

void TWebBrowser::InsertPictures(double budget)
{
    if (!PendingPictures() || !HandleAllocated()) return;
    LARGE_INTEGER freq, start, now;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    // The reader's selection and scroll position stay as they are.
    CHARRANGE sel{};
    SendMessageW(handle_, EM_EXGETSEL, 0, LPARAM(&sel));
    POINT scroll{};
    SendMessageW(handle_, EM_GETSCROLLPOS, 0, LPARAM(&scroll));
    SendMessageW(handle_, WM_SETREDRAW, FALSE, 0);
    while (nextPicture_ < picturePlaces_.size()) {
        const size_t i = nextPicture_++;
        // Loaded and encoded here, not before the text was shown.
        bool isPicture = false;
        std::string rtf = loader_->PlaceRtf(i, &isPicture);
        const LONG place = picturePlaces_[i];
        CHARRANGE at{place, place + 1};
        SendMessageW(handle_, EM_EXSETSEL, 0, LPARAM(&at));
        StreamState state{&rtf, 0};
        EDITSTREAM es{};
        es.dwCookie = DWORD_PTR(&state);
        es.pfnCallback = ReadRtf;
        SendMessageW(handle_, EM_STREAMIN, SF_RTF | SFF_SELECTION, LPARAM(&es));
        if (isPicture) {
            // A picture takes the one character of its stand-in, so the
            // places of the others do not move.
            ++picturesPlaced_;
        } else {
            // Alt text instead (a picture that could not be read): the
            // places after it, and the reader's selection, move with it.
            CHARRANGE after{};
            SendMessageW(handle_, EM_EXGETSEL, 0, LPARAM(&after));
            const LONG shift = after.cpMax - (place + 1);
            for (size_t k = i + 1; k < picturePlaces_.size(); ++k) picturePlaces_[k] += shift;
            if (sel.cpMin > place) sel.cpMin += shift;
            if (sel.cpMax > place) sel.cpMax += shift;
        }
        QueryPerformanceCounter(&now);
        if (budget > 0 && double(now.QuadPart - start.QuadPart) / double(freq.QuadPart) >= budget) break;
    }
    if (!PendingPictures()) {
        DropPictures();
        // Wine's control moves the table rows after an inserted picture
        // wrongly (rows drift apart, their lines go); laying the whole page
        // out again, once, puts them right.
        if (rewrapTables_) {
            SendMessageW(handle_, EM_SETTARGETDEVICE, 0, 1);
            SendMessageW(handle_, EM_SETTARGETDEVICE, 0, 0);
            rewrapTables_ = false;
        }
    }
    SendMessageW(handle_, EM_EXSETSEL, 0, LPARAM(&sel));
    SendMessageW(handle_, EM_SETSCROLLPOS, 0, LPARAM(&scroll));
    SendMessageW(handle_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(handle_, nullptr, FALSE);
}

void TWebBrowser::FreshWindow()
{
    if (!shown_ || !HandleAllocated()) return;
    // The new window takes the old one's place in the z-order, and the focus
    // if the old one had it.
    HWND old = handle_;
    HWND above = GetWindow(old, GW_HWNDPREV);
    const bool focused = GetFocus() == old;
    DetachHandle();
    retired_.push_back(old);
    DropPictures();
    shown_ = false;
    HandleNeeded();
    SetWindowPos(handle_, above ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(old, SW_HIDE);
    if (focused) ::SetFocus(handle_);
    PostMessageW(handle_, CM_FREEPAGES, 0, 0);
}

void TWebBrowser::ShowRtf(const std::string& rtf)
{
    FreshWindow();
    shown_ = true;
    StreamState state{&rtf, 0};
    EDITSTREAM es{};
    es.dwCookie = DWORD_PTR(&state);
    es.pfnCallback = ReadRtf;
    SendMessageW(Handle(), EM_STREAMIN, SF_RTF, LPARAM(&es));
    SendMessageW(handle_, EM_SETSEL, 0, 0);
    SendMessageW(handle_, EM_SCROLLCARET, 0, 0);
}

void TWebBrowser::Navigate(const String& url)
{
    WaitCursor wait;
    location_ = url;
    String file = FileFromUrl(url);
    std::string bytes;
    try {
        TFileStream f(file, fmOpenRead | fmShareDenyWrite);
        bytes = f.ReadAll();
    } catch (const Exception& e) {
        ShowRtf(html::ToRtf(ErrorPage("Страница не найдена", e.Message())));
        return;
    }
    if (PageFilter) {
        try {
            PageFilter(bytes);
        } catch (const Exception& e) {
            // A file the filter refuses (a document too large to open) is
            // shown as its error, never as its raw bytes.
            ShowRtf(html::ToRtf(ErrorPage("Страница не открывается", e.Message())));
            return;
        }
    }
    String folder = ExtractFilePath(file);
    // Only the text and tables are converted before the page shows; a
    // picture's file is merely looked for (a missing one shows its alt text
    // at once), and it is read and encoded when its turn comes.
    auto page = std::make_unique<html::DeferredRtf>(html::ToRtfDeferred(bytes, [folder](const std::string& src) {
        String f = PictureFile(folder, src);
        if (f.empty()) return false;
        DWORD attr = GetFileAttributesW(f.c_str());
        return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
    }));
    ShowRtf(page->text);
    picturesPlaced_ = 0;
    if (page->places.empty()) return;
    // The stand-ins of the pictures, in text order (the control counts a
    // paragraph break as one character, as the text read here has it).
    String text = RawText();
    std::vector<LONG> places;
    for (size_t k = 0; k < text.size(); ++k)
        if (text[k] == html::kPictureStandIn) places.push_back(LONG(k));
    if (places.size() != page->places.size()) {
        // A page that holds the stand-in character itself: the whole page at once.
        ShowRtf(html::ToRtf(bytes, [folder](const std::string& src, html::Picture& out) {
            return LoadPicture(PictureFile(folder, src), out);
        }));
        return;
    }
    page_ = std::move(page);
    loader_ = std::make_unique<html::PagePictures>(*page_, [folder](const std::string& src, html::Picture& out) {
        return LoadPicture(PictureFile(folder, src), out);
    });
    picturePlaces_ = std::move(places);
    rewrapTables_ = page_->text.find("\\trowd") != std::string::npos;
    nextPicture_ = 0;
    PostMessageW(handle_, CM_PICTURES, 0, 0);
}

void TWebBrowser::ColorChanged()
{
    if (HandleAllocated()) SendMessageW(handle_, EM_SETBKGNDCOLOR, 0, LPARAM(ColorToRGB(Color())));
    TWinControl::ColorChanged();
}

namespace {
// The control's whole text as UTF-16; GETTEXTEX flags pick raw (CR only) or
// plain (CR LF) line breaks, with the matching length flags.
String ControlText(HWND h, DWORD lengthFlags, DWORD textFlags)
{
    GETTEXTLENGTHEX gl{lengthFlags | GTL_PRECISE, 1200};
    LRESULT n = SendMessageW(h, EM_GETTEXTLENGTHEX, WPARAM(&gl), 0);
    String s(size_t(n) + 1, L'\0');
    GETTEXTEX gt{};
    gt.cb = DWORD((n + 1) * sizeof(wchar_t));
    gt.flags = textFlags;
    gt.codepage = 1200;
    LRESULT got = SendMessageW(h, EM_GETTEXTEX, WPARAM(&gt), LPARAM(s.data()));
    s.resize(size_t(got));
    return s;
}
}  // namespace

String TWebBrowser::RawText() { return ControlText(Handle(), GTL_NUMCHARS, GT_RAWTEXT); }

String TWebBrowser::PlainText() { return ControlText(Handle(), GTL_DEFAULT, GT_DEFAULT); }

bool TWebBrowser::CopySelection()
{
    CHARRANGE sel{};
    SendMessageW(Handle(), EM_EXGETSEL, 0, LPARAM(&sel));
    if (sel.cpMax < 0) sel.cpMax = LONG(SendMessageW(handle_, WM_GETTEXTLENGTH, 0, 0));
    if (sel.cpMax <= sel.cpMin) return false;
    String text(size_t(sel.cpMax - sel.cpMin) + 1, L'\0');
    TEXTRANGEW range{sel, text.data()};
    LRESULT got = SendMessageW(handle_, EM_GETTEXTRANGE, 0, LPARAM(&range));
    text.resize(size_t(got > 0 ? got : 0));
    // Paragraphs end with a lone CR in the control; pictures are object marks.
    String out;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == 0xFFFC) continue;
        if (c == L'\r' && (i + 1 >= text.size() || text[i + 1] != L'\n')) {
            out += L"\r\n";
            continue;
        }
        out += c;
    }
    if (!OpenClipboard(handle_)) return false;
    EmptyClipboard();
    if (HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (out.size() + 1) * sizeof(wchar_t))) {
        if (auto* p = static_cast<wchar_t*>(GlobalLock(mem))) {
            std::memcpy(p, out.c_str(), (out.size() + 1) * sizeof(wchar_t));
            GlobalUnlock(mem);
            if (!SetClipboardData(CF_UNICODETEXT, mem)) GlobalFree(mem);
        } else {
            GlobalFree(mem);
        }
    }
    CloseClipboard();
    return true;
}

void TWebBrowser::Dispatch(TMessage& m)
{
    // The rich edit's own copy also writes the selection as rich text, and
    // that writer crashes on some selections of pages with pictures (seen as
    // a crash on Ctrl+C in the textbook). The page is read-only, so plain
    // text is what a copy needs; cutting does nothing.
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
    bool copy = m.Msg == WM_COPY, cut = m.Msg == WM_CUT;
    if (m.Msg == WM_KEYDOWN || m.Msg == WM_SYSKEYDOWN) {
        copy = ctrl && (m.WParam == 'C' || m.WParam == VK_INSERT);
        cut = (ctrl && m.WParam == 'X') || (shift && m.WParam == VK_DELETE);
    }
    if (copy || cut) {
        if (copy) CopySelection();
        m.Result = 0;
        return;
    }
    TWinControl::Dispatch(m);
}
