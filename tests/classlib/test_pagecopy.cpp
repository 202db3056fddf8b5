// Copying from the page view: Ctrl+C, Ctrl+Insert and WM_COPY put the selected
// text on the clipboard as plain text, on the shipped chapters with their
// pictures, for selections across the whole page; cutting changes nothing.
#include <gtest/gtest.h>

#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/WebBrowser.h"
#include "support/GuiTest.h"

namespace {

String ClipboardText()
{
    String out;
    if (!OpenClipboard(nullptr)) return out;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT))
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            out = p;
            GlobalUnlock(h);
        }
    CloseClipboard();
    return out;
}

void SetClipboardText(const String& s)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (s.size() + 1) * sizeof(wchar_t));
    std::memcpy(GlobalLock(mem), s.c_str(), (s.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
}

// A key with modifiers as real input (the focused window gets it).
void KeyPress(WORD vk, bool ctrl, bool shift = false)
{
    std::vector<INPUT> in;
    auto key = [&](WORD k, bool up) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        i.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (k == VK_INSERT || k == VK_DELETE ? KEYEVENTF_EXTENDEDKEY : 0);
        in.push_back(i);
    };
    if (ctrl) key(VK_CONTROL, false);
    if (shift) key(VK_SHIFT, false);
    key(vk, false);
    key(vk, true);
    if (shift) key(VK_SHIFT, true);
    if (ctrl) key(VK_CONTROL, true);
    SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
}

// What a copy of [from, to) must give: the shown text, paragraph ends as
// CR LF, no picture marks.
String Expected(HWND wnd, LONG from, LONG to)
{
    String text(size_t(to - from) + 1, L'\0');
    TEXTRANGEW r{{from, to}, text.data()};
    text.resize(size_t(SendMessageW(wnd, EM_GETTEXTRANGE, 0, LPARAM(&r))));
    String out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == 0xFFFC) continue;
        if (text[i] == L'\r' && (i + 1 >= text.size() || text[i + 1] != L'\n')) out += L"\r\n";
        else out += text[i];
    }
    return out;
}

class PageCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(Application);
        form->SetBounds(20, 20, 800, 600);
        wb = new TWebBrowser(form);
        wb->SetParent(form);
        wb->SetBounds(0, 0, 780, 560);
        form->Show();
        Pump(10);
    }
    void TearDown() override { FreeAndNil(form); }
    TForm* form = nullptr;
    TWebBrowser* wb = nullptr;
};

}  // namespace

TEST_F(PageCopy, SelectionsAcrossTheShippedChaptersCopyAsPlainText)
{
    String content = EnvPath("TALVERA_CONTENT");
    ASSERT_FALSE(content.empty());
    int pages = 0, pictures = 0;
    for (const wchar_t* page : {L"Базы данных\\Глава 1 Реляционная модель.html",
                                L"Компьютерные сети\\Глава 1 Эталонная модель взаимодействия.html",
                                L"Основы программирования\\Глава 3 Сортировка массивов.html",
                                L"Базы данных\\Глава 3 Нормализация.html"}) {
        wb->Navigate(content + L"Content\\" + page);
        HWND h = wb->Handle();
        LONG length = LONG(SendMessageW(h, WM_GETTEXTLENGTH, 0, 0));
        ASSERT_GT(length, 100) << StringToUtf8(page);
        ++pages;
        if (ReadBytes(content + L"Content\\" + page).find("<img") != std::string::npos) ++pictures;
        // Whole page, then windows of every size across it (pictures inside).
        std::vector<std::pair<LONG, LONG>> ranges{{0, -1}};
        for (LONG from = 0; from < length; from += 97)
            for (LONG n : {1L, 13L, 400L, 6500L}) ranges.push_back({from, std::min(length, from + n)});
        for (auto [from, to] : ranges) {
            SetClipboardText(L"before");
            SendMessageW(h, EM_SETSEL, WPARAM(from), LPARAM(to));
            SendMessageW(h, WM_COPY, 0, 0);
            // The control may narrow a selection (not past the last paragraph mark).
            CHARRANGE sel{};
            SendMessageW(h, EM_EXGETSEL, 0, LPARAM(&sel));
            String want = sel.cpMax > sel.cpMin ? Expected(h, sel.cpMin, sel.cpMax) : L"before";
            ASSERT_EQ(ClipboardText(), want) << StringToUtf8(page) << " " << from << ".." << to;
        }
    }
    EXPECT_EQ(pages, 4);
    EXPECT_GE(pictures, 3) << "the selections must cross pictures";
}

TEST_F(PageCopy, KeysCopyAndCutChangesNothing)
{
    TempDir dir(L"pagecopy");
    wb->Navigate(dir.WriteFile(L"p.html", "<html><body><h1>Title</h1><p>first line</p><p>second</p></body></html>"));
    HWND h = wb->Handle();
    SetForegroundWindow(form->Handle());
    SetFocus(h);
    Pump(50);
    const String shown = wb->PlainText();
    SendMessageW(h, EM_SETSEL, 0, -1);

    SetClipboardText(L"before");
    KeyPress('C', true);
    Pump(100);
    EXPECT_EQ(ClipboardText(), Expected(h, 0, LONG(SendMessageW(h, WM_GETTEXTLENGTH, 0, 0))));
    EXPECT_NE(ClipboardText().find(L"first line\r\nsecond"), String::npos) << StringToUtf8(ClipboardText());

    SetClipboardText(L"before");
    KeyPress(VK_INSERT, true);
    Pump(100);
    EXPECT_NE(ClipboardText().find(L"Title"), String::npos);

    // Read-only: a cut neither removes the text nor touches the clipboard.
    SetClipboardText(L"before");
    KeyPress('X', true);
    KeyPress(VK_DELETE, false, true);
    SendMessageW(h, WM_CUT, 0, 0);
    Pump(100);
    EXPECT_EQ(ClipboardText(), L"before");
    EXPECT_EQ(wb->PlainText(), shown);

    // Nothing selected: nothing copied.
    SendMessageW(h, EM_SETSEL, 3, 3);
    EXPECT_FALSE(wb->CopySelection());
}
