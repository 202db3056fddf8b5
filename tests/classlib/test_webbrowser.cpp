// The page view on real windows: HTML elements as shown text, charsets,
// pictures, broken pages, missing files and the page filter.
#include <gtest/gtest.h>

#include <richedit.h>
#include <richole.h>

#include <algorithm>
#include <functional>

#include "app/ContentContainer.h"
#include "app/TextbookForm.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/WebBrowser.h"
#include "support/ContainerBytes.h"
#include "support/GuiTest.h"

namespace {

class WebBrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(Application);
        form->SetBounds(20, 20, 700, 500);
        wb = new TWebBrowser(form);
        wb->SetParent(form);
        wb->SetBounds(0, 0, 680, 460);
        form->Show();
        Pump(10);
    }
    void TearDown() override
    {
        FreeAndNil(form);
        TWebBrowser::PageFilter = nullptr;
    }
    String Show(const std::string& html, const String& name = L"page.html")
    {
        String file = dir.WriteFile(name, html);
        wb->Navigate(file);
        return wb->PlainText();
    }
    // Character format at the first occurrence of text.
    CHARFORMAT2W FormatOf(const String& text)
    {
        String all = wb->PlainText();
        size_t at = all.find(text);
        EXPECT_NE(at, String::npos) << StringToUtf8(text);
        CHARFORMAT2W cf{};
        cf.cbSize = sizeof cf;
        if (at == String::npos) return cf;
        // The control counts a paragraph break as one character.
        String before = all.substr(0, at);
        LONG crlf = 0;
        for (size_t i = 0; i + 1 < before.size(); ++i) crlf += before[i] == L'\r' && before[i + 1] == L'\n';
        CHARRANGE cr{LONG(at) - crlf, LONG(at + text.size()) - crlf};
        SendMessageW(wb->Handle(), EM_EXSETSEL, 0, LPARAM(&cr));
        SendMessageW(wb->Handle(), EM_GETCHARFORMAT, SCF_SELECTION, LPARAM(&cf));
        return cf;
    }
    TempDir dir;
    TForm* form = nullptr;
    TWebBrowser* wb = nullptr;
};

TEST_F(WebBrowserTest, ElementsAreShownReadably)
{
    String t = Show(
        "<html><head><title>T</title><style>p{color:red}</style><script>var x='<p>hidden</p>';</script></head><body>"
        "<h1>Heading one</h1><p>First <b>bold</b> <i>italic</i> <u>under</u><br>next line</p>"
        "<ul><li>alpha</li><li>beta</li></ul><ol><li>one</li><li>two</li></ol>"
        "<table><tr><th>H1</th><th>H2</th></tr><tr><td>c1</td><td>c2</td></tr></table>"
        "<pre>  keep   spaces\n  and lines</pre><a href=\"x.html\">a link</a> &lt;tag&gt; &amp; &copy; &#1046; &mdash;"
        "</body></html>");
    EXPECT_NE(t.find(L"Heading one"), String::npos);
    EXPECT_EQ(t.find(L"hidden"), String::npos);
    EXPECT_EQ(t.find(L"color:red"), String::npos);
    EXPECT_NE(t.find(L"next line"), String::npos);
    EXPECT_NE(t.find(L"alpha"), String::npos);
    EXPECT_NE(t.find(L"1."), String::npos);
    EXPECT_NE(t.find(L"c2"), String::npos);
    EXPECT_NE(t.find(L"  keep   spaces"), String::npos);
    EXPECT_NE(t.find(L"a link"), String::npos);
    EXPECT_NE(t.find(L"<tag> & \u00A9 \u0416 \u2014"), String::npos);
    // The line break splits the paragraph.
    EXPECT_EQ(t.find(L"under next line"), String::npos);
    EXPECT_TRUE(FormatOf(L"bold").dwEffects & CFE_BOLD);
    EXPECT_TRUE(FormatOf(L"italic").dwEffects & CFE_ITALIC);
    EXPECT_TRUE(FormatOf(L"under").dwEffects & CFE_UNDERLINE);
    EXPECT_FALSE(FormatOf(L"First").dwEffects & CFE_BOLD);
    EXPECT_GT(FormatOf(L"Heading one").yHeight, FormatOf(L"First").yHeight);
}

TEST_F(WebBrowserTest, CharsetsOfThePage)
{
    EXPECT_NE(Show(StringToAnsi(L"<p>Привет, мир</p>")).find(L"Привет, мир"), String::npos);
    EXPECT_NE(Show(StringToUtf8(L"<meta charset=\"utf-8\"><p>Ёлка и ёж</p>")).find(L"Ёлка и ёж"), String::npos);
    // A declared charset wins over the default.
    std::string koi = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\"><p>\xf0\xd2\xc9\xd7\xc5\xd4</p>";
    EXPECT_NE(Show(koi).find(L"Привет"), String::npos);
}

TEST_F(WebBrowserTest, BrokenHtmlNeverFails)
{
    String t = Show("<html><body><p>open <b>bold <i>both</p><table><tr><td>cell<tr><td>x</table></div></span>"
                    "<!-- unterminated comment");
    EXPECT_NE(t.find(L"open"), String::npos);
    EXPECT_NE(t.find(L"cell"), String::npos);
    std::string garbage;
    for (int i = 0; i < 5000; ++i) garbage += char((i * 7919) & 0xFF);
    Show(garbage);
    Show("");
    EXPECT_EQ(wb->LocationURL(), dir.Path() + L"page.html");
}

TEST_F(WebBrowserTest, MissingFileShowsAnErrorPage)
{
    String file = dir.Path() + L"нет такого.html";
    wb->Navigate(file);
    EXPECT_EQ(wb->LocationURL(), file);
    EXPECT_NE(wb->PlainText().find(L"Страница не найдена"), String::npos);
}

TEST_F(WebBrowserTest, FileUrlsAreOpened)
{
    dir.WriteFile(L"my page.html", "<p>from url</p>");
    String url = L"file:///" + dir.Path() + L"my%20page.html";
    for (auto& c : url)
        if (c == L'\\') c = L'/';
    wb->Navigate(url);
    EXPECT_NE(wb->PlainText().find(L"from url"), String::npos);
}

TEST_F(WebBrowserTest, BmpPictureIsShownAndMissingOneShowsItsAltText)
{
    TBitmap bmp(8, 6);
    for (int y = 0; y < 6; ++y) {
        uint8_t* p = bmp.ScanLine(y);
        for (int x = 0; x < 8; ++x) p[x * 4 + 0] = 0, p[x * 4 + 1] = 0, p[x * 4 + 2] = 255, p[x * 4 + 3] = 255;
    }
    dir.MakeDir(L"Рисунки");
    {
        TFileStream out(dir.Path() + L"Рисунки\\красный.bmp", fmCreate);
        bmp.SaveToStream(out);
    }
    Show(StringToAnsi(L"<p><img src=\"Рисунки/красный.bmp\" width=\"200\" height=\"150\" alt=\"картинка\"></p>"
                      L"<p><img src=\"нет.bmp\" alt=\"пропала\"></p>"));
    String t = wb->PlainText();
    EXPECT_NE(t.find(L"[пропала]"), String::npos);
    EXPECT_EQ(t.find(L"[картинка]"), String::npos);
    wb->Repaint();
    Pump(50);
    // The picture is drawn: red near its middle.
    int red = 0;
    for (int y = 0; y < 160; y += 4)
        for (int x = 0; x < 220; x += 4) red += WindowPixel(wb->Handle(), x, y) == RGB(255, 0, 0);
    EXPECT_GT(red, 100);
}

TEST_F(WebBrowserTest, TextCanBeSelectedAndCopied)
{
    Show("<p>copy me please</p>");
    wb->SetFocus();
    SendMessageW(wb->Handle(), EM_SETSEL, 0, -1);
    SendMessageW(wb->Handle(), WM_COPY, 0, 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE h = GetClipboardData(CF_UNICODETEXT);
    String text = h ? static_cast<const wchar_t*>(GlobalLock(h)) : L"";
    if (h) GlobalUnlock(h);
    CloseClipboard();
    EXPECT_NE(text.find(L"copy me please"), String::npos);
    // Read-only: typing changes nothing.
    SendMessageW(wb->Handle(), WM_CHAR, L'z', 0);
    EXPECT_EQ(wb->PlainText().find(L'z'), String::npos);
}

TEST_F(WebBrowserTest, LongPageScrolls)
{
    std::string page;
    for (int i = 0; i < 300; ++i) page += "<p>line " + std::to_string(i) + "</p>";
    Show(page);
    EXPECT_EQ(SendMessageW(wb->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    SendMessageW(wb->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    Pump(10);
    EXPECT_GT(SendMessageW(wb->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    // A new page starts at its top.
    Show(page);
    EXPECT_EQ(SendMessageW(wb->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

TEST_F(WebBrowserTest, ContainerChapterIsShownUnpacked)
{
    TWebBrowser::PageFilter = UnpackContainerPage;
    String html = Show(PackDocument(StringToAnsi(L"<html><body><h2>Глава из контейнера</h2></body></html>")));
    EXPECT_NE(html.find(L"Глава из контейнера"), String::npos);
    EXPECT_EQ(html.find(L"<h2>"), String::npos);
    String text = Show(PackDocument(StringToAnsi(L"Вопрос 1\r\n  a < b & c\r\n")));
    EXPECT_NE(text.find(L"Вопрос 1"), String::npos);
    EXPECT_NE(text.find(L"  a < b & c"), String::npos);
    // Plain pages pass the filter unchanged.
    EXPECT_NE(Show("<p>plain</p>").find(L"plain"), String::npos);
    // A damaged container is not a container: shown as it is, no failure.
    std::string broken = PackDocument("text");
    broken.resize(broken.size() / 2);
    Show(broken);
}

// A page of about n characters in many short paragraphs.
std::string LongPage(size_t n)
{
    std::string page = "<html><body>";
    for (size_t k = 0; page.size() < n; ++k)
        page += "<p>Paragraph " + std::to_string(k) + " of a long chapter, with some words to wrap.</p>";
    return page + "</body></html>";
}

TEST_F(WebBrowserTest, NewPageTakesAFreshWindowInTheOldOnesPlace)
{
    // A sibling above and one below the view, so its place in the z-order shows.
    auto* below = new TPanel(form);
    below->SetParent(form);
    below->SetBounds(0, 0, 50, 50);
    below->SendToBack();
    auto* above = new TPanel(form);
    above->SetParent(form);
    above->SetBounds(600, 0, 50, 50);
    above->BringToFront();
    Show("<p>first page</p>", L"a.html");
    HWND first = wb->Handle();
    wb->SetFocus();
    ASSERT_EQ(GetFocus(), first);
    Show("<p>second page</p>", L"b.html");
    HWND second = wb->Handle();
    EXPECT_NE(second, first);
    EXPECT_EQ(TWinControl::FindControl(second), wb);
    EXPECT_EQ(TWinControl::FindControl(first), nullptr);
    EXPECT_TRUE(IsWindowVisible(second));
    EXPECT_FALSE(IsWindowVisible(first));
    EXPECT_EQ(GetFocus(), second);
    EXPECT_EQ(GetWindow(second, GW_HWNDPREV), above->Handle());
    EXPECT_EQ(GetWindow(second, GW_HWNDNEXT), first) << "the old window waits just below it";
    RECT r;
    GetWindowRect(second, &r);
    MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.right - r.left, 680);
    EXPECT_EQ(r.bottom - r.top, 460);
    EXPECT_EQ(wb->RetiredWindows(), 1u);
    Pump(20);
    EXPECT_FALSE(IsWindow(first)) << "destroyed once the queue is served";
    EXPECT_EQ(wb->RetiredWindows(), 0u);
    EXPECT_EQ(wb->PlainText().find(L"first"), String::npos);
    EXPECT_NE(wb->PlainText().find(L"second page"), String::npos);
    // The page's look comes with the new window too.
    wb->SetColor(RGB(250, 240, 200));
    Show("<p>third</p>", L"c.html");
    Pump(20);
    EXPECT_EQ(WindowPixel(wb->Handle(), 3, 300), RGB(250, 240, 200));
    // Windows not yet destroyed go with the view.
    Show("<p>fourth</p>", L"d.html");
    HWND waiting = GetWindow(wb->Handle(), GW_HWNDNEXT);
    ASSERT_TRUE(IsWindow(waiting));
    FreeAndNil(wb);
    EXPECT_FALSE(IsWindow(waiting));
}

// What the switch costs beside a fresh view is measured by bench/pageview.
TEST_F(WebBrowserTest, SmallPageAfterALargeOneShowsOnlyTheSmallOne)
{
    String large = dir.WriteFile(L"large.html", LongPage(400000));
    String small = dir.WriteFile(L"small.html", "<h2>Глава</h2><p>Короткая страница.</p>");
    wb->Navigate(large);
    ASSERT_GT(wb->PlainText().size(), 300000u);
    Pump(10);
    wb->Navigate(small);
    EXPECT_NE(wb->PlainText().find(L"Короткая страница."), String::npos);
    EXPECT_EQ(wb->PlainText().find(L"Paragraph"), String::npos) << "nothing of the large page is left";
    EXPECT_LT(wb->PlainText().size(), 100u);
}

TEST_F(WebBrowserTest, WaitCursorWhileThePageIsPrepared)
{
    HCURSOR seen = nullptr;
    TWebBrowser::PageFilter = [&](std::string&) {
        seen = GetCursor();
        return false;
    };
    HCURSOR before = SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    Show("<p>x</p>");
    EXPECT_EQ(seen, LoadCursorW(nullptr, IDC_WAIT));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
    SetCursor(before);
}

// A picture file whose column x has colour(x, y); saved as a bitmap file.
void WritePicture(const String& file, int w, int h, const std::function<COLORREF(int, int)>& colour)
{
    TBitmap bmp(w, h);
    for (int y = 0; y < h; ++y) {
        uint8_t* p = bmp.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            COLORREF c = colour(x, y);
            p[x * 4 + 0] = GetBValue(c), p[x * 4 + 1] = GetGValue(c), p[x * 4 + 2] = GetRValue(c), p[x * 4 + 3] = 255;
        }
    }
    TFileStream out(file, fmCreate);
    bmp.SaveToStream(out);
}

// Horizontal lines met going down a column of the view: the tops of runs of
// dark pixels.
std::vector<int> DarkRunsDown(HWND wnd, int x, int y0, int y1)
{
    std::vector<int> tops;
    bool dark = false;
    for (int y = y0; y < y1; ++y) {
        COLORREF c = WindowPixel(wnd, x, y);
        bool d = GetRValue(c) < 128 && GetGValue(c) < 128 && GetBValue(c) < 128;
        if (d && !dark) tops.push_back(y);
        dark = d;
    }
    return tops;
}

TEST_F(WebBrowserTest, TableBordersAreDrawnBothWaysAndRowsKeepTheirTextHeight)
{
    const std::string rows = "<tr><td>1</td><td>22</td></tr><tr><td>1</td><td>22</td></tr><tr><td>1</td><td>22</td></tr>";
    const std::pair<const char*, std::string> pages[] = {
        {"border attribute", "<table border=1>" + rows + "</table>"},
        {"style sheet", "<html><head><style>p { color: red } table, td { border: 1px solid #000; "
                        "border-collapse: collapse }</style></head><body><table>" + rows + "</table></body></html>"},
        {"inline style", "<table style=\"border: 1px solid black\">" + rows + "</table>"},
    };
    WritePicture(dir.Path() + L"mark.bmp", 8, 8, [](int, int) { return RGB(0, 160, 0); });
    for (auto [what, html] : pages) {
        // Pictures before and after the table, put in their places once the
        // text is shown: the table keeps its look.
        html = "<p><img src=mark.bmp></p>" + html + "<p><img src=mark.bmp></p>";
        // A second table after a paragraph with space before it.
        html += "<h2>2</h2>" + html;
        Show(html);
        for (int k = 0; k < 50 && wb->PendingPictures(); ++k) Pump(5);
        Pump(20);
        HWND h = wb->Handle();
        // Down the first cell, right of its text: the line above each row and
        // the one below the last.
        std::vector<int> lines = DarkRunsDown(h, 32, 0, 400);
        ASSERT_EQ(lines.size(), 8u) << what;
        for (size_t k = 1; k < lines.size(); ++k) {
            if (k == 4) continue;   // between the tables
            EXPECT_GE(lines[k] - lines[k - 1], 14) << what << ": the row holds its text";
            EXPECT_LE(lines[k] - lines[k - 1], 26) << what << ": and no more";
        }
        // Across the middle of the first row: the left line and the lines
        // between and after the cells.
        int mid = (lines[0] + lines[1]) / 2, across = 0;
        bool dark = false;
        for (int x = 0; x < 200; ++x) {
            COLORREF c = WindowPixel(h, x, mid);
            bool d = GetRValue(c) < 128 && GetGValue(c) < 128 && GetBValue(c) < 128 && !(x > 14 && x < 30);
            across += d && !dark;
            dark = d;
        }
        EXPECT_GE(across, 3) << what;
    }
    // A table that asks for no borders shows none, and its rows stay as close.
    Show("<table>" + rows + "</table>");
    Pump(20);
    int marks = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 200; x += 2) {
            COLORREF c = WindowPixel(wb->Handle(), x, y);
            marks += c == RGB(192, 192, 192) || c == RGB(128, 128, 128);
        }
    EXPECT_EQ(marks, 0) << "no grid lines";
    String text = wb->PlainText();
    EXPECT_EQ(std::count(text.begin(), text.end(), L'1'), 3);
}

TEST_F(WebBrowserTest, PicturesAreDrawnPixelForPixelInEitherForm)
{
    // A drawing (few colours, stored run-length coded) and a photograph (a
    // colour per pixel, stored with 32 bits a pixel): each pixel of the page
    // shows the pixel of the file, unshifted.
    auto drawing = [](int x, int y) {
        static const COLORREF ink[] = {RGB(200, 0, 0), RGB(0, 120, 0), RGB(0, 0, 160), RGB(250, 250, 250)};
        return y == 5 ? RGB(0, 0, 0) : ink[(x / 3) % 4];
    };
    auto photo = [](int x, int y) { return RGB(x * 4, y * 6, 255 - x * 2 - y); };
    WritePicture(dir.Path() + L"drawing.bmp", 60, 30, drawing);
    WritePicture(dir.Path() + L"photo.bmp", 60, 30, photo);
    for (auto [file, colour] : {std::pair<const wchar_t*, std::function<COLORREF(int, int)>>{L"drawing.bmp", drawing},
                                {L"photo.bmp", photo}}) {
        Show("<img src=\"" + StringToUtf8(file) + "\">");
        wb->Repaint();
        Pump(30);
        HWND h = wb->Handle();
        // The picture's top-left corner: the first pixel of its colour at (0, 0).
        int ox = -1, oy = -1;
        for (int y = 0; y < 12 && ox < 0; ++y)
            for (int x = 0; x < 24; ++x)
                if (WindowPixel(h, x, y) == colour(0, 0) && WindowPixel(h, x + 1, y + 1) == colour(1, 1)) {
                    ox = x, oy = y;
                    break;
                }
        ASSERT_GE(ox, 0) << StringToUtf8(file);
        int wrong = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 60; ++x) wrong += WindowPixel(h, ox + x, oy + y) != colour(x, y);
        EXPECT_EQ(wrong, 0) << StringToUtf8(file);
    }
}

// Pictures (embedded objects) in the view.
LONG Pictures(TWebBrowser* wb)
{
    IRichEditOle* ole = nullptr;
    SendMessageW(wb->Handle(), EM_GETOLEINTERFACE, 0, LPARAM(&ole));
    if (!ole) return -1;
    LONG n = ole->GetObjectCount();
    ole->Release();
    return n;
}

TEST_F(WebBrowserTest, TextShowsFirstAndPicturesFollowInTheirPlaces)
{
    auto colour = [](int x, int y) { return RGB(x * 8, y * 8, 128); };
    WritePicture(dir.Path() + L"p.bmp", 30, 30, colour);
    WritePicture(dir.Path() + L"q.bmp", 20, 10, [](int x, int) { return x < 10 ? RGB(255, 0, 0) : RGB(0, 0, 255); });
    // Pictures in paragraphs, in a list, in table cells, beside a table,
    // and one missing.
    std::string page = "<h1>Заголовок</h1><table border=1><tr><td>a<img src=q.bmp></td><td>b</td></tr>"
                       "<tr><td>c</td><td><img src=p.bmp>d</td></tr></table><ul><li>x <img src=q.bmp> y</li></ul>";
    for (int k = 0; k < 40; ++k) page += "<p>Абзац " + std::to_string(k) + " <img src=p.bmp> после</p>";
    page += "<p><img src=none.bmp alt=нет> конец</p>";
    Show(page);
    EXPECT_EQ(wb->PendingPictures(), 43u);
    String first = wb->PlainText();
    EXPECT_NE(first.find(L"Абзац 39"), String::npos) << "the text is there at once";
    EXPECT_NE(first.find(L"[нет]"), String::npos);
    // The reader selects and scrolls meanwhile; the pictures keep both.
    CHARRANGE sel{3, 7};
    SendMessageW(wb->Handle(), EM_EXSETSEL, 0, LPARAM(&sel));
    POINT scroll{0, 40};
    SendMessageW(wb->Handle(), EM_SETSCROLLPOS, 0, LPARAM(&scroll));
    POINT before{};
    SendMessageW(wb->Handle(), EM_GETSCROLLPOS, 0, LPARAM(&before));
    for (int k = 0; k < 200 && wb->PendingPictures(); ++k) Pump(5);
    EXPECT_EQ(wb->PendingPictures(), 0u);
    CHARRANGE after{};
    SendMessageW(wb->Handle(), EM_EXGETSEL, 0, LPARAM(&after));
    EXPECT_EQ(after.cpMin, 3);
    EXPECT_EQ(after.cpMax, 7);
    POINT now{};
    SendMessageW(wb->Handle(), EM_GETSCROLLPOS, 0, LPARAM(&now));
    EXPECT_EQ(now.y, before.y);
    String text = wb->PlainText();
    EXPECT_EQ(std::count(text.begin(), text.end(), wchar_t(0xE000)), 0) << "no stand-in left";
    EXPECT_EQ(Pictures(wb), 43) << "a picture where each stood";
    // Every word stays beside its picture (the text shows a picture as a space).
    EXPECT_NE(text.find(L"Абзац 7   после"), String::npos);
    EXPECT_NE(text.find(L"x   y"), String::npos);
    // The same page once more: every picture is in its place at once when asked.
    Show(page);
    wb->FinishPictures();
    EXPECT_EQ(wb->PendingPictures(), 0u);
    EXPECT_EQ(Pictures(wb), 43);
    // A page that itself holds the stand-in character is shown whole at once.
    Show("<p>\xEE\x80\x80 private <img src=p.bmp></p>");
    EXPECT_EQ(wb->PendingPictures(), 0u);
    EXPECT_EQ(Pictures(wb), 1);
    EXPECT_NE(wb->PlainText().find(L"\xE000 private"), String::npos);
}

TEST_F(WebBrowserTest, TooLargeContainerChapterShowsTheErrorNotItsBytes)
{
    TWebBrowser::PageFilter = UnpackContainerPage;
    // 1 GiB of text in about a megabyte.
    String page = Show(ZeroBomb(int64_t(1) << 30, 1024));
    EXPECT_NE(page.find(L"Страница не открывается"), String::npos);
    EXPECT_NE(page.find(DocumentTooLargeText()), String::npos);
    EXPECT_LT(page.size(), 400u) << "the compressed bytes must not be shown as text";
    // The view goes on showing pages.
    EXPECT_NE(Show("<p>next</p>").find(L"next"), String::npos);
}

// Top-left corners in the view where a w x h picture with colour(x, y) shows
// every pixel right, within the first `rows` rows and `cols` columns.
std::vector<POINT> PicturesShown(HWND h, int w, int ht, const std::function<COLORREF(int, int)>& colour, int cols, int rows)
{
    std::vector<POINT> found;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) {
            if (WindowPixel(h, x, y) != colour(0, 0) || WindowPixel(h, x + 1, y + 1) != colour(1, 1)) continue;
            int wrong = 0;
            for (int py = 0; py < ht && !wrong; ++py)
                for (int px = 0; px < w && !wrong; ++px) wrong += WindowPixel(h, x + px, y + py) != colour(px, py);
            if (!wrong) found.push_back({x, y});
        }
    return found;
}

TEST_F(WebBrowserTest, PicturesAreReadOnlyAfterTheTextShowsAndEachSourceOnce)
{
    auto firstA = [](int, int) { return RGB(0, 200, 0); };
    auto secondA = [](int x, int y) { return RGB(x * 8, 255 - y * 8, 40); };
    auto thirdA = [](int x, int y) { return RGB(255, x * 8, y * 8); };
    auto b = [](int x, int y) { return RGB(30, x * 8, 200 - y * 6); };
    WritePicture(dir.Path() + L"a.bmp", 30, 20, firstA);
    WritePicture(dir.Path() + L"b.bmp", 30, 20, b);
    WritePicture(dir.Path() + L"gone.bmp", 30, 20, b);
    std::string page = "<p><img src=a.bmp> <img src=b.bmp> <img src=a.bmp></p>";
    for (int k = 0; k < 30; ++k) page += "<p>Абзац " + std::to_string(k) + "</p>";
    page += "<p>до <img src=gone.bmp alt=пропал> Конец <img src=a.bmp></p>";
    wb->Navigate(dir.WriteFile(L"page.html", page));
    // The text is shown and nothing of the pictures has been read yet: a
    // picture file changed now is the one that shows.
    EXPECT_EQ(wb->PendingPictures(), 5u);
    EXPECT_EQ(wb->PicturesPlaced(), 0u);
    EXPECT_EQ(Pictures(wb), 0);
    String first = wb->PlainText();
    EXPECT_NE(first.find(L"Абзац 29"), String::npos);
    EXPECT_NE(first.find(L"Конец"), String::npos);
    EXPECT_EQ(first.find(L"[пропал]"), String::npos) << "the file was there when the page was shown";
    WritePicture(dir.Path() + L"a.bmp", 30, 20, secondA);
    ASSERT_TRUE(DeleteFileW((dir.Path() + L"gone.bmp").c_str()));
    // The reader selects "Конец"; the alt text coming in before it moves it.
    FINDTEXTEXW find{{0, -1}, L"Конец", {}};
    ASSERT_GE(SendMessageW(wb->Handle(), EM_FINDTEXTEXW, FR_DOWN, LPARAM(&find)), 0);
    CHARRANGE sel = find.chrgText;
    SendMessageW(wb->Handle(), EM_EXSETSEL, 0, LPARAM(&sel));
    // One step puts in at least the first picture; a.bmp is then read and
    // not read again for its other places.
    SendMessageW(wb->Handle(), TWebBrowser::CM_PICTURES, 0, 0);
    EXPECT_GE(wb->PicturesPlaced(), 1u);
    WritePicture(dir.Path() + L"a.bmp", 30, 20, thirdA);
    wb->FinishPictures();
    EXPECT_EQ(wb->PendingPictures(), 0u);
    EXPECT_EQ(wb->PicturesPlaced(), 4u);
    EXPECT_EQ(Pictures(wb), 4) << "the missing picture's place holds its alt text";
    String text = wb->PlainText();
    EXPECT_EQ(std::count(text.begin(), text.end(), wchar_t(0xE000)), 0) << "no stand-in left";
    EXPECT_NE(text.find(L"до [пропал] Конец"), String::npos);
    wchar_t selected[16] = {};
    SendMessageW(wb->Handle(), EM_GETSELTEXT, 0, LPARAM(selected));
    EXPECT_STREQ(selected, L"Конец");
    // The first line, pixel for pixel: a.bmp as read once (twice), b.bmp once.
    SendMessageW(wb->Handle(), EM_SETSEL, 0, 0);
    SendMessageW(wb->Handle(), EM_SCROLLCARET, 0, 0);
    wb->Repaint();
    Pump(30);
    HWND h = wb->Handle();
    EXPECT_EQ(PicturesShown(h, 30, 20, secondA, 200, 40).size(), 2u);
    EXPECT_EQ(PicturesShown(h, 30, 20, b, 200, 40).size(), 1u);
    EXPECT_EQ(PicturesShown(h, 30, 20, thirdA, 200, 40).size(), 0u);
}

}  // namespace
