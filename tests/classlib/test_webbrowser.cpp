// The page view on real windows: HTML elements as shown text, charsets,
// pictures, broken pages, missing files and the page filter.
#include <gtest/gtest.h>

#include <richedit.h>

#include "app/ContentContainer.h"
#include "app/TextbookForm.h"
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

}  // namespace
