// HTML to RTF conversion: charsets, entities, whitespace, element formatting,
// tables, pictures and robustness against malformed pages. The produced RTF
// is read back by a small RTF reader below, so the checks are about what a
// reader would see (text and its formatting), not about exact strings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "classlib/HtmlDocument.h"

namespace {

struct Format {
    bool b = false, i = false, ul = false, strike = false, super = false, sub = false;
    int f = 0, fs = 24, cf = 0;
};

struct Paragraph {
    std::wstring text;
    std::vector<Format> fmt;  // one per character of text
    int li = 0, fi = 0, sb = 0;
    bool qc = false, intbl = false;
};

struct Pict {
    std::string kind;
    int picw = 0, pich = 0, picwgoal = 0, pichgoal = 0;
    std::vector<uint8_t> data;
};

struct Rtf {
    std::vector<std::string> fonts;
    std::vector<uint32_t> colors;  // colour table, index 0 = automatic
    std::vector<Paragraph> paras;
    std::vector<Pict> picts;
    int cells = 0, rows = 0;

    std::wstring Text() const {
        std::wstring t;
        for (auto& p : paras) t += p.text + L"\n";
        return t;
    }
    // Format of the first character of `needle`, which must occur in the text
    // with one format throughout.
    Format FormatOf(const std::wstring& needle) const {
        for (auto& p : paras) {
            size_t at = p.text.find(needle);
            if (at == std::wstring::npos) continue;
            for (size_t k = at; k < at + needle.size(); ++k) {
                const Format &a = p.fmt[at], &c = p.fmt[k];
                EXPECT_TRUE(a.b == c.b && a.i == c.i && a.ul == c.ul && a.fs == c.fs && a.cf == c.cf && a.f == c.f)
                    << "mixed formatting inside the run";
            }
            return p.fmt[at];
        }
        ADD_FAILURE() << "text not found";
        return {};
    }
    const Paragraph* ParaWith(const std::wstring& needle) const {
        for (auto& p : paras)
            if (p.text.find(needle) != std::wstring::npos) return &p;
        return nullptr;
    }
    uint32_t Color(int index) const { return index > 0 && index < int(colors.size()) ? colors[index] : 0xFFFFFFFF; }
};

// Reads the subset of RTF the converter writes: groups, control words with
// their parameters, \uN? escapes, escaped symbols and the font, colour and
// picture destinations.
Rtf ReadRtf(const std::string& s) {
    Rtf doc;
    struct State {
        Format f;
        int dest = 0;  // 0 body, 1 font table, 2 colour table, 3 picture, 4 skipped
        int uc = 1;
    };
    std::vector<State> stack{State{}};
    Paragraph cur;
    int red = 0, green = 0, blue = 0;
    std::string fontName;
    int skip = 0;     // fallback characters still to skip after \u
    int hexHigh = -1;  // first digit of a picture byte
    auto emit = [&](wchar_t c) {
        cur.text += c;
        cur.fmt.push_back(stack.back().f);
    };
    auto endPara = [&] {
        doc.paras.push_back(cur);
        int li = cur.li, fi = cur.fi, sb = cur.sb;
        bool qc = cur.qc, intbl = cur.intbl;
        cur = Paragraph{};
        cur.li = li, cur.fi = fi, cur.sb = sb, cur.qc = qc, cur.intbl = intbl;
    };
    for (size_t i = 0; i < s.size();) {
        char c = s[i];
        EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80) << "non-ASCII byte in RTF at " << i;
        State& st = stack.back();
        if (c == '{') {
            stack.push_back(st);
            ++i;
        } else if (c == '}') {
            if (st.dest == 1 && !fontName.empty()) {
                doc.fonts.push_back(fontName);
                fontName.clear();
            }
            EXPECT_GT(stack.size(), 1u) << "unbalanced closing brace";
            if (stack.size() > 1) stack.pop_back();
            ++i;
        } else if (c == '\\') {
            ++i;
            if (i >= s.size()) break;
            char d = s[i];
            if (!std::isalpha(static_cast<unsigned char>(d))) {
                ++i;
                if (d == '\\' || d == '{' || d == '}') {
                    if (st.dest == 0) emit(wchar_t(d));
                } else if (d == '~') {
                    if (st.dest == 0) emit(wchar_t(0xA0));
                } else if (d == '*') {
                    st.dest = 4;
                }
                continue;
            }
            std::string word;
            while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i]))) word += s[i++];
            bool hasParam = false;
            long param = 0;
            bool neg = i < s.size() && s[i] == '-';
            if (neg) ++i;
            while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
                hasParam = true;
                param = param * 10 + (s[i++] - '0');
            }
            if (neg) param = -param;
            if (i < s.size() && s[i] == ' ') ++i;
            Format& f = st.f;
            if (word == "fonttbl") st.dest = 1;
            else if (word == "colortbl") st.dest = 2;
            else if (word == "pict") {
                st.dest = 3;
                doc.picts.emplace_back();
            } else if (st.dest == 3) {
                Pict& p = doc.picts.back();
                if (word == "picw") p.picw = int(param);
                else if (word == "pich") p.pich = int(param);
                else if (word == "picwgoal") p.picwgoal = int(param);
                else if (word == "pichgoal") p.pichgoal = int(param);
                else p.kind += word + (hasParam ? std::to_string(param) : "");
            } else if (st.dest == 2) {
                if (word == "red") red = int(param);
                else if (word == "green") green = int(param);
                else if (word == "blue") blue = int(param);
            } else if (st.dest == 0) {
                if (word == "u") {
                    long v = param < 0 ? param + 65536 : param;
                    emit(wchar_t(v));
                    skip = st.uc;
                    while (skip > 0 && i < s.size()) --skip, ++i;
                } else if (word == "uc") st.uc = int(param);
                else if (word == "par") endPara();
                else if (word == "cell") { ++doc.cells; endPara(); }
                else if (word == "row") ++doc.rows;
                else if (word == "tab") emit(L'\t');
                else if (word == "line") emit(L'\n');
                else if (word == "pard") {
                    cur.li = cur.fi = cur.sb = 0;
                    cur.qc = cur.intbl = false;
                } else if (word == "li") cur.li = int(param);
                else if (word == "fi") cur.fi = int(param);
                else if (word == "sb") cur.sb = int(param);
                else if (word == "qc") cur.qc = true;
                else if (word == "intbl") cur.intbl = true;
                else if (word == "plain") f = Format{};
                else if (word == "b") f.b = !hasParam || param;
                else if (word == "i") f.i = !hasParam || param;
                else if (word == "ul") f.ul = !hasParam || param;
                else if (word == "ulnone") f.ul = false;
                else if (word == "strike") f.strike = !hasParam || param;
                else if (word == "super") f.super = true;
                else if (word == "sub") f.sub = true;
                else if (word == "nosupersub") f.super = f.sub = false;
                else if (word == "f") f.f = int(param);
                else if (word == "fs") f.fs = int(param);
                else if (word == "cf") f.cf = int(param);
            }
        } else if (c == '\r' || c == '\n') {
            ++i;
        } else {
            ++i;
            if (st.dest == 0) emit(wchar_t(static_cast<unsigned char>(c)));
            else if (st.dest == 1) {
                if (c == ';') {
                    doc.fonts.push_back(fontName);
                    fontName.clear();
                } else {
                    fontName += c;
                }
            } else if (st.dest == 2 && c == ';') {
                doc.colors.push_back(uint32_t(red << 16 | green << 8 | blue));
                red = green = blue = 0;
            } else if (st.dest == 3 && std::isxdigit(static_cast<unsigned char>(c))) {
                int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 32) - 'a' + 10;
                if (hexHigh < 0) hexHigh = v;
                else {
                    doc.picts.back().data.push_back(uint8_t(hexHigh * 16 + v));
                    hexHigh = -1;
                }
            }
        }
    }
    EXPECT_EQ(stack.size(), 1u) << "unbalanced groups";
    if (!cur.text.empty()) doc.paras.push_back(cur);
    if (doc.colors.empty()) doc.colors.push_back(0);
    // The colour table's first entry is the empty "automatic" one.
    return doc;
}

Rtf Convert(const std::string& html, const html::PictureLoader& loader = {}) {
    std::string rtf = html::ToRtf(html, loader);
    EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
    return ReadRtf(rtf);
}

// The text with paragraph breaks turned into '|' and no trailing break.
std::wstring Flat(const Rtf& doc) {
    std::wstring t;
    for (auto& p : doc.paras) t += p.text + L"|";
    if (!t.empty()) t.pop_back();
    return t;
}

// --- charsets ---------------------------------------------------------------

TEST(HtmlDecode, Windows1251IsTheDefault) {
    EXPECT_EQ(html::DecodeText("\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xB8 \xB9"), L"Привет, Ёё №");
}

TEST(HtmlDecode, ByteOrderMarks) {
    EXPECT_EQ(html::DecodeText("\xEF\xBB\xBF\xD0\x9F\xD1\x80\xD0\xB8"), L"При");
    EXPECT_EQ(html::DecodeText(std::string("\xFF\xFE\x1F\x04\x40\x04", 6)), L"Пр");
    EXPECT_EQ(html::DecodeText(std::string("\xFE\xFF\x04\x1F\x04\x40", 6)), L"Пр");
    // A BOM beats a contradicting declaration.
    EXPECT_EQ(html::DecodeText("\xEF\xBB\xBF<meta charset=koi8-r>\xD0\x9F"), L"<meta charset=koi8-r>П");
}

// What follows the first tag of the decoded text.
std::wstring AfterTag(const std::wstring& text) {
    return text.substr(text.find(L'>') + 1);
}

TEST(HtmlDecode, MetaCharsetDeclarations) {
    const std::string koi = "\xF0\xD2\xC9\xD7\xC5\xD4";  // "Привет" in KOI8-R
    EXPECT_EQ(AfterTag(html::DecodeText("<meta charset=\"koi8-r\">" + koi)), L"Привет");
    EXPECT_EQ(AfterTag(html::DecodeText("<META http-equiv='Content-Type' content='text/html; charset=KOI8-R'>" + koi)),
              L"Привет");
    EXPECT_EQ(html::DecodeText("<meta content=\"text/html;charset=utf-8\" http-equiv=\"content-type\">\xD0\x9F")
                  .back(), L'П');
    // Latin-1 is read as windows-1252, as browsers do.
    EXPECT_EQ(AfterTag(html::DecodeText("<meta charset=iso-8859-1>\xE9\x80")), L"é€");
    EXPECT_EQ(html::DecodeText("<meta charset=windows-1251>\xC0").back(), L'А');
    // A declaration inside a comment does not count; an unknown one is ignored.
    EXPECT_EQ(html::DecodeText("<!-- <meta charset=koi8-r> -->\xC0").back(), L'А');
    EXPECT_EQ(html::DecodeText("<meta charset=x-unknown>\xC0").back(), L'А');
}

TEST(HtmlDecode, UndeclaredUtf8IsRecognised) {
    EXPECT_EQ(html::DecodeText("<p>\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82</p>"), L"<p>Привет</p>");
    // Broken sequences under a UTF-8 declaration become U+FFFD, one per byte.
    EXPECT_EQ(AfterTag(html::DecodeText("<meta charset=utf-8>a\xC0\xAF" "b\xE2\x82")), L"a\uFFFD\uFFFDb\uFFFD\uFFFD");
}

// --- entities and whitespace --------------------------------------------------

TEST(HtmlText, NamedAndNumericEntities) {
    Rtf d = Convert("&laquo;a&raquo; &mdash; &ndash; &hellip; &copy; &amp; &lt;&gt; &quot;&apos; x&nbsp;y "
                    "&#1055;&#x440;&#X438; &eacute;&Omega;&euro; &copy2024 &bogus; &amp");
    EXPECT_EQ(Flat(d), L"«a» — – … © & <> \"' x\u00A0y При éΩ€ ©2024 &bogus; &");
}

TEST(HtmlText, NumericEntityEdgeCases) {
    // Zero and out-of-range references give U+FFFD; C1 numbers map as in windows-1252.
    Rtf d = Convert("&#0;|&#1114112;|&#150;|&#99999999999999999999;|&#;|&#x;");
    EXPECT_EQ(Flat(d), L"\uFFFD|\uFFFD|\u2013|\uFFFD|&#;|&#x;");
    std::string rtf = html::ToRtf("&#x1F600;");
    EXPECT_NE(rtf.find("\\u-10179?\\u-8704?"), std::string::npos) << "astral characters become a surrogate pair";
}

TEST(HtmlText, WhitespaceCollapsesOutsidePre) {
    EXPECT_EQ(Flat(Convert("  one \n\t two   <b> three </b>  four  ")), L"one two three four");
    EXPECT_EQ(Flat(Convert("<p>  a  </p>   <p>\n b\n</p>")), L"a|b");
    // The space between words stays with the text before it.
    Rtf d = Convert("plain <a href=x>link</a> more");
    EXPECT_FALSE(d.paras[0].fmt[5].ul);
    EXPECT_TRUE(d.FormatOf(L"link").ul);
}

TEST(HtmlText, RtfSpecialCharactersAreEscaped) {
    std::string rtf = html::ToRtf("a\\b {c} d");
    EXPECT_NE(rtf.find("a\\\\b \\{c\\} d"), std::string::npos);
    EXPECT_EQ(Flat(ReadRtf(rtf)), L"a\\b {c} d");
}

TEST(HtmlText, HeadTitleScriptStyleAndCommentsAreNotShown) {
    Rtf d = Convert("<html><head><title>Title</title><style>p { x }</style>"
                    "<script>if (a < b) document.write('</p>gone')</script></head>"
                    "<body><!-- hidden <b>x</b> -->shown<!DOCTYPE html><?xml x?></body></html>");
    EXPECT_EQ(Flat(d), L"shown");
}

TEST(HtmlText, DocumentHeader) {
    Rtf d = Convert("x");
    ASSERT_GE(d.fonts.size(), 2u);
    EXPECT_NE(d.fonts[0].find("Times New Roman"), std::string::npos);
    EXPECT_NE(d.fonts[1].find("Courier New"), std::string::npos);
    std::string rtf = html::ToRtf("x");
    EXPECT_NE(rtf.find("\\fcharset204 Times New Roman"), std::string::npos);
    EXPECT_EQ(d.FormatOf(L"x").fs, 24);
}

// --- elements -------------------------------------------------------------------

TEST(HtmlElements, InlineFormatting) {
    Rtf d = Convert("<b>B</b> <strong>S</strong> <i>I</i> <em>E</em> <u>U</u> <s>X</s> <strike>K</strike> "
                    "H<sub>2</sub>O x<sup>3</sup> <b><i>BI</i></b> n");
    EXPECT_TRUE(d.FormatOf(L"B").b);
    EXPECT_TRUE(d.FormatOf(L"S").b);
    EXPECT_TRUE(d.FormatOf(L"I").i);
    EXPECT_TRUE(d.FormatOf(L"E").i);
    EXPECT_TRUE(d.FormatOf(L"U").ul);
    EXPECT_TRUE(d.FormatOf(L"X").strike);
    EXPECT_TRUE(d.FormatOf(L"K").strike);
    EXPECT_TRUE(d.FormatOf(L"2").sub);
    EXPECT_TRUE(d.FormatOf(L"3").super);
    Format bi = d.FormatOf(L"BI");
    EXPECT_TRUE(bi.b && bi.i);
    Format n = d.FormatOf(L"n");
    EXPECT_FALSE(n.b || n.i || n.ul || n.strike || n.sub || n.super);
}

TEST(HtmlElements, HeadingsAreBoldLargerAndSeparate) {
    Rtf d = Convert("<h1>One</h1><h2>Two</h2><h3>Three</h3><h6>Six</h6>body");
    EXPECT_EQ(Flat(d), L"One|Two|Three|Six|body");
    Format h1 = d.FormatOf(L"One"), h2 = d.FormatOf(L"Two"), h3 = d.FormatOf(L"Three"), body = d.FormatOf(L"body");
    EXPECT_TRUE(h1.b && h2.b && h3.b);
    EXPECT_FALSE(body.b);
    EXPECT_GT(h1.fs, h2.fs);
    EXPECT_GT(h2.fs, h3.fs);
    EXPECT_GT(h3.fs, body.fs);
    EXPECT_GT(d.ParaWith(L"Two")->sb, 0) << "space between headings";
    EXPECT_GT(d.ParaWith(L"body")->sb, 0) << "space after a heading";
}

TEST(HtmlElements, ParagraphsAndLineBreaks) {
    Rtf d = Convert("<p>first<p>second<br>line<br/><br>after empty</p>tail");
    EXPECT_EQ(Flat(d), L"first|second|line||after empty|tail");
    EXPECT_EQ(d.ParaWith(L"line")->sb, 0) << "a <br> line has no paragraph spacing";
    EXPECT_GT(d.ParaWith(L"second")->sb, 0);
    EXPECT_EQ(d.paras[0].sb, 0) << "no space above the first paragraph";
}

TEST(HtmlElements, LinksAreBlueAndUnderlined) {
    Rtf d = Convert("<a href=\"ch2.htm\">next</a> <a name=top>anchor</a>");
    Format link = d.FormatOf(L"next");
    EXPECT_TRUE(link.ul);
    EXPECT_EQ(d.Color(link.cf), 0x0000EEu);
    Format anchor = d.FormatOf(L"anchor");
    EXPECT_FALSE(anchor.ul);
    EXPECT_EQ(anchor.cf, 0);
}

TEST(HtmlElements, FontColourAndSize) {
    Rtf d = Convert("<font color=\"#C00000\" size=5>big</font> <font color=green size=-1>small</font> "
                    "<font color=#abc>short</font> <span style=\"color: rgb(1,2,3); font-weight:bold\">css</span>");
    EXPECT_EQ(d.Color(d.FormatOf(L"big").cf), 0xC00000u);
    EXPECT_EQ(d.FormatOf(L"big").fs, 36);
    EXPECT_EQ(d.Color(d.FormatOf(L"small").cf), 0x008000u);
    EXPECT_EQ(d.FormatOf(L"small").fs, 20);
    EXPECT_EQ(d.Color(d.FormatOf(L"short").cf), 0xAABBCCu);
    EXPECT_EQ(d.Color(d.FormatOf(L"css").cf), 0x010203u);
    EXPECT_TRUE(d.FormatOf(L"css").b);
}

TEST(HtmlElements, CssFontSizesOutOfRangeAreClampedNotWrapped) {
    Rtf d = Convert("<p><span style=\"font-size:1e10pt\">a1</span> <span style=\"font-size:1e10px\">a2</span> "
                    "<span style=\"font-size:1e300%\">a3</span> <span style=\"font-size:1e10em\">a4</span> "
                    "<span style=\"font-size:inf\">a5</span> <span style=\"font-size:nan\">b1</span> "
                    "<span style=\"font-size:nanpt\">b2</span> <span style=\"font-size:-1e10em\">b3</span> "
                    "<span style=\"font-size:0.0001pt\">c1</span> <span style=\"font-size:15pt\">d1</span> "
                    "<span style=\"font-size:150%\">d2</span> <span style=\"font-size:20px\">d3</span> "
                    "<span style=\"font-size:1e300pt\">a6</span> <span style=\"font-size:infpx\">b4</span> "
                    "<span style=\"font-size:nanem\">b5</span> <span style=\"font-size:-5pt\">b6</span> "
                    "<span style=\"font-size:1e-300pt\">c2</span></p>");
    for (const wchar_t* huge : {L"a1", L"a2", L"a3", L"a4", L"a6"}) EXPECT_EQ(d.FormatOf(huge).fs, 144) << char(huge[0]) << char(huge[1]);
    for (const wchar_t* kept : {L"a5", L"b1", L"b2", L"b3", L"b4", L"b5", L"b6"}) EXPECT_EQ(d.FormatOf(kept).fs, 24) << char(kept[0]) << char(kept[1]);
    EXPECT_EQ(d.FormatOf(L"c1").fs, 8) << "tiny sizes take the smallest";
    EXPECT_EQ(d.FormatOf(L"c2").fs, 8);
    EXPECT_EQ(d.FormatOf(L"d1").fs, 30);
    EXPECT_EQ(d.FormatOf(L"d2").fs, 36);
    EXPECT_EQ(d.FormatOf(L"d3").fs, 30);
}

TEST(HtmlElements, ManyColoursEachGetOneTableEntry) {
    // 150000 distinct colours, each used twice: every colour gets exactly one
    // table entry, in order of first use. (How fast the look-up is belongs to
    // a benchmark, not to a test.)
    const int distinct = 150000;
    std::string page;
    page.reserve(size_t(distinct) * 2 * 32);
    char tag[40];
    for (int k = 0; k < 2 * distinct; ++k) {
        std::snprintf(tag, sizeof tag, "<font color=#%06x>x</font>", (k % distinct) * 97);
        page += tag;
    }
    Rtf d = ReadRtf(html::ToRtf(page));
    ASSERT_EQ(d.colors.size(), 1u + distinct) << "automatic, then one entry per distinct colour";
    EXPECT_EQ(d.colors[1 + 1234], uint32_t(1234 * 97));
}

TEST(HtmlElements, BulletedAndNestedLists) {
    Rtf d = Convert("<ul><li>one<li>two<ul><li>inner</ul><li>three</ul>after");
    EXPECT_EQ(Flat(d), L"\u2022\tone|\u2022\ttwo|\u25E6\tinner|\u2022\tthree|after");
    const Paragraph *one = d.ParaWith(L"one"), *inner = d.ParaWith(L"inner"), *after = d.ParaWith(L"after");
    EXPECT_GT(one->li, 0);
    EXPECT_LT(one->fi, 0) << "hanging indent for the marker";
    EXPECT_GT(inner->li, one->li);
    EXPECT_EQ(after->li, 0);
}

TEST(HtmlElements, NumberedLists) {
    Rtf d = Convert("<ol><li>a</li><li>b<br>more</li></ol><ol start=4 type=I><li>x<li value=9>y</ol>"
                    "<ol type=a><li>p<li>q</ol>");
    EXPECT_EQ(Flat(d), L"1.\ta|2.\tb|more|IV.\tx|IX.\ty|a.\tp|b.\tq");
    EXPECT_EQ(d.ParaWith(L"more")->fi, 0) << "a continuation line has no marker";
    EXPECT_EQ(d.ParaWith(L"more")->li, d.ParaWith(L"b")->li);
}

TEST(HtmlElements, PreKeepsWhitespaceInMonospace) {
    Rtf d = Convert("<pre>\nint  x;\n\n\ty = 1;\n</pre>after");
    EXPECT_EQ(Flat(d), L"int  x;||\ty = 1;|after");
    EXPECT_EQ(d.FormatOf(L"int  x;").f, 1);
    EXPECT_EQ(d.FormatOf(L"after").f, 0);
    Rtf code = Convert("call <code>f(  a )</code> now");
    EXPECT_EQ(code.FormatOf(L"f( a )").f, 1) << "inline code collapses spaces but is monospace";
}

TEST(HtmlElements, BlockquoteIndentsAndHrDrawsARule) {
    Rtf d = Convert("<p>before</p><blockquote>quoted</blockquote><hr><p>after</p>");
    EXPECT_GT(d.ParaWith(L"quoted")->li, 0);
    EXPECT_EQ(d.ParaWith(L"after")->li, 0);
    std::string rtf = html::ToRtf("a<hr>b");
    EXPECT_NE(rtf.find("\\brdrb"), std::string::npos);
    EXPECT_EQ(Flat(ReadRtf(rtf)), L"a||b");
}

TEST(HtmlElements, UnknownTagsShowTheirContent) {
    Rtf d = Convert("<custom attr=1>inside</custom> <span>span</span> <center>mid</center>");
    EXPECT_EQ(Flat(d), L"inside span|mid");
    EXPECT_TRUE(d.ParaWith(L"mid")->qc);
}

TEST(HtmlElements, HiddenContentIsSkipped) {
    // A hidden block leaves no box, so no paragraph break either.
    EXPECT_EQ(Flat(Convert("a<div style=\"display:none\">secret</div>b")), L"ab");
    EXPECT_EQ(Flat(Convert("<p>a</p><p style='display: none'>secret</p><p>b</p>")), L"a|b");
}

// --- tables ----------------------------------------------------------------------

TEST(HtmlTables, RowsAndCellsBecomeRtfTable) {
    std::string rtf = html::ToRtf("<table border=1><tr><th>Term<th>Meaning<tr><td>atom<td>small<br>part"
                                  "<tr><td>only one</table>after");
    Rtf d = ReadRtf(rtf);
    EXPECT_EQ(d.rows, 3);
    EXPECT_EQ(d.cells, 6) << "short rows are padded";
    EXPECT_TRUE(d.ParaWith(L"atom")->intbl);
    EXPECT_FALSE(d.ParaWith(L"after")->intbl);
    EXPECT_TRUE(d.FormatOf(L"Term").b);
    EXPECT_FALSE(d.FormatOf(L"atom").b);
    EXPECT_EQ(Flat(d), L"Term|Meaning|atom|small|part|only one||after");
    EXPECT_NE(rtf.find("\\clbrdrt"), std::string::npos);
    // Every row declares the same right edges.
    size_t first = rtf.find("\\trowd"), second = rtf.find("\\trowd", first + 1);
    auto edges = [&](size_t from) {
        std::string e;
        for (size_t k = rtf.find("\\cellx", from); k < rtf.find("\\pard", from); k = rtf.find("\\cellx", k + 1))
            e += rtf.substr(k, rtf.find_first_not_of("\\cellx0123456789", k) - k);
        return e;
    };
    EXPECT_EQ(edges(first), edges(second));
    // Without a border attribute the cell borders are in the page's colour.
    Rtf plain = ReadRtf(html::ToRtf("<table><tr><td>x</table>"));
    std::string plainRtf = html::ToRtf("<table><tr><td>x</table>");
    EXPECT_EQ(plainRtf.find("\\trbrdrt"), std::string::npos);
    ASSERT_NE(plainRtf.find("\\clbrdrt\\brdrs\\brdrw15\\brdrcf"), std::string::npos);
    EXPECT_EQ(plain.colors.at(1), 0xFFFFFFu);
}

TEST(HtmlTables, CssBordersFromTheStyleSheetOrTheTags) {
    auto color = [](const std::string& html) {
        std::string rtf = html::ToRtf(html);
        Rtf d = ReadRtf(rtf);
        size_t at = rtf.find("\\clbrdrt\\brdrs\\brdrw");
        EXPECT_NE(at, std::string::npos);
        size_t cf = rtf.find("\\brdrcf", at);
        int index = std::atoi(rtf.c_str() + cf + 7);
        return std::pair{rtf.find("\\trbrdrt") != std::string::npos, d.colors.at(size_t(index))};
    };
    const std::string t = "<table><tr><td>a</td><td>b</td></tr></table>";
    EXPECT_EQ(color("<style>td { border: 1px solid #336699 }</style>" + t), (std::pair{true, 0x336699u}));
    EXPECT_EQ(color("<style>table.grid td, th { border-width: 2px; border-style: solid }</style>" + t), (std::pair{true, 0u}));
    EXPECT_EQ(color("<style>p { border: 1px solid red }</style>" + t), (std::pair{false, 0xFFFFFFu})) << "not for tables";
    EXPECT_EQ(color("<style>td { border: none }</style><table border=1><tr><td>a</table>"), (std::pair{true, 0u}))
        << "the attribute wins over the sheet";
    EXPECT_EQ(color("<table style=\"border:1px dashed green\"><tr><td>a</table>"), (std::pair{true, 0x008000u}));
    EXPECT_EQ(color("<table><tr><td style=\"border: 1px solid\">a</table>"), (std::pair{true, 0u}));
    EXPECT_EQ(color("<table border=1 style=\"border: 0\"><tr><td>a</table>"), (std::pair{false, 0xFFFFFFu}));
    EXPECT_EQ(color("<style>td { border: 1px solid #000 </style>" + t).first, true) << "an unclosed rule still counts";
}

TEST(HtmlTables, NestedTablesBecomeTabSeparatedRows) {
    Rtf d = Convert("<table><tr><td>outer<table><tr><td>a<td>b<tr><td>c<td>d</table></td><td>z</tr></table>");
    EXPECT_EQ(d.rows, 1);
    EXPECT_EQ(Flat(d), L"outer|a\tb|c\td|z");
}

TEST(HtmlTables, CellsOutsideTablesAndMissingRows) {
    EXPECT_EQ(Flat(Convert("<td>loose</td> text")), L"loose text");
    Rtf d = Convert("<table><td>a<td>b</table>");
    EXPECT_EQ(d.rows, 1);
    EXPECT_EQ(d.cells, 2);
}

// --- pictures ----------------------------------------------------------------------

html::Picture Solid(int w, int h, uint8_t b, uint8_t g, uint8_t r, uint8_t a = 255) {
    html::Picture p;
    p.width = w;
    p.height = h;
    for (int k = 0; k < w * h; ++k) p.bgra.insert(p.bgra.end(), {b, g, r, a});
    return p;
}

uint32_t Le32(const std::vector<uint8_t>& d, size_t at) {
    return uint32_t(d[at] | d[at + 1] << 8 | d[at + 2] << 16 | d[at + 3] << 24);
}

// The pixels of a \dibitmap as a reader sees them that finds the pixel data
// `skew` bytes after the colour table (Windows: 0; Wine: 4), as 0xRRGGBB
// rows from the top; run-length data is decoded as such.
std::vector<uint32_t> ReadDib(const std::vector<uint8_t>& d, size_t skew, int& w, int& h) {
    w = int(Le32(d, 4));
    h = int(Le32(d, 8));
    const int bits = int(Le32(d, 12) >> 16);
    const uint32_t compression = Le32(d, 16), colours = Le32(d, 32);
    std::vector<uint32_t> px(size_t(w) * size_t(h), 0xFFFFFFFF);
    size_t at = 40 + colours * 4 + skew;
    auto set = [&](int x, int yUp, uint32_t c) {
        if (x >= 0 && x < w && yUp >= 0 && yUp < h) px[size_t(h - 1 - yUp) * size_t(w) + size_t(x)] = c;
    };
    if (bits == 32 && compression == 0) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x, at += 4) set(x, y, at + 3 < d.size() ? Le32(d, at) & 0xFFFFFF : 0xFFFFFFFF);
    } else if (bits == 8 && compression == 1) {
        auto colour = [&](uint8_t i) { return i < colours ? Le32(d, 40 + size_t(i) * 4) & 0xFFFFFF : 0xFFFFFFFF; };
        int x = 0, y = 0;
        while (at + 1 < d.size()) {
            uint8_t a = d[at], b = d[at + 1];
            at += 2;
            if (a) {
                for (int k = 0; k < a; ++k) set(x++, y, colour(b));
            } else if (b == 0) {
                x = 0, ++y;
            } else if (b == 1) {
                break;
            } else if (b == 2) {
                if (at + 1 >= d.size()) break;
                x += d[at], y += d[at + 1];
                at += 2;
            } else {
                for (int k = 0; k < b && at < d.size(); ++k) set(x++, y, colour(d[at++]));
                if (b & 1) ++at;
            }
        }
    } else {
        ADD_FAILURE() << "unexpected bitmap: " << bits << " bits, compression " << compression;
    }
    return px;
}

// Checks that both readers show the picture (composed over white) whole and
// unshifted, beside at most one white column.
void ExpectShown(const Pict& p, const html::Picture& src) {
    ASSERT_EQ(p.kind, "dibitmap0");
    for (size_t skew : {size_t(0), size_t(4)}) {
        int w = 0, h = 0;
        std::vector<uint32_t> px = ReadDib(p.data, skew, w, h);
        ASSERT_EQ(h, src.height);
        ASSERT_TRUE(w == src.width || w == src.width + 1) << w;
        EXPECT_EQ(p.picw, w);
        bool matched = false;
        for (int ox = 0; ox <= w - src.width && !matched; ++ox) {
            bool all = true;
            for (int y = 0; y < h && all; ++y)
                for (int x = 0; x < src.width && all; ++x) {
                    const uint8_t* s = &src.bgra[(size_t(y) * size_t(src.width) + size_t(x)) * 4];
                    uint32_t want = 0;
                    for (int ch = 0; ch < 3; ++ch)
                        want |= uint32_t((s[ch] * s[3] + 255 * (255 - s[3]) + 127) / 255) << (8 * ch);
                    all = px[size_t(y) * size_t(w) + size_t(x + ox)] == want;
                }
            for (int y = 0; y < h && all && w > src.width; ++y)   // the spare column is white
                all = px[size_t(y) * size_t(w) + size_t(ox == 0 ? w - 1 : 0)] == 0xFFFFFF;
            matched = all;
        }
        EXPECT_TRUE(matched) << "picture not shown right when the pixels are read " << skew << " bytes late";
    }
}

// A picture with every pixel different (more colours than a palette holds).
html::Picture Photo(int w, int h) {
    html::Picture p;
    p.width = w;
    p.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.bgra.insert(p.bgra.end(), {uint8_t(x), uint8_t(y), uint8_t((x * y) ^ 0x5A), 255});
    return p;
}

// A drawing: few colours in long runs, with a stretch of single pixels.
html::Picture Drawing(int w, int h) {
    html::Picture p = Solid(w, h, 250, 250, 250);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* px = &p.bgra[(size_t(y) * size_t(w) + size_t(x)) * 4];
            if (y == h / 2 || x == w / 3) px[0] = 200, px[1] = 0, px[2] = 0;
            if (y == 1 && x < 20) px[1] = uint8_t(x * 10);   // literal stretch
            if (x == w - 1) px[3] = 0;                           // transparent edge
        }
    return p;
}

TEST(HtmlPictures, LoadedPictureIsEmbeddedWithItsSize) {
    std::string asked;
    html::Picture src = Photo(20, 15);
    auto loader = [&](const std::string& s, html::Picture& out) {
        asked = s;
        out = src;
        return true;
    };
    Rtf d = Convert("see <img src=\"pics/a&amp;b.png\" alt=alt> here", loader);
    EXPECT_EQ(asked, "pics/a&b.png");
    ASSERT_EQ(d.picts.size(), 1u);
    const Pict& p = d.picts[0];
    EXPECT_EQ(p.pich, 15);
    EXPECT_EQ(p.pichgoal, 15 * 15);
    // A true-colour picture: 32 bits per pixel and one spare white column,
    // which the goal width includes so that the picture keeps 15 twips a pixel.
    EXPECT_EQ(p.picw, 21);
    EXPECT_EQ(p.picwgoal, 21 * 15);
    EXPECT_EQ(Le32(p.data, 12) >> 16, 32u);
    ExpectShown(p, src);
    EXPECT_EQ(Flat(d).find(L"alt"), std::wstring::npos);
}

TEST(HtmlPictures, FewColoursAreRunLengthCodedAndShownRightByBothReaders) {
    for (auto [w, h] : {std::pair{320, 160}, std::pair{1, 1}, std::pair{3, 2}, std::pair{300, 7}, std::pair{511, 3}}) {
        html::Picture src = Drawing(w, h);
        Rtf d = Convert("<img src=d>", [&](const std::string&, html::Picture& out) {
            out = src;
            return true;
        });
        ASSERT_EQ(d.picts.size(), 1u);
        const Pict& p = d.picts[0];
        EXPECT_EQ(Le32(p.data, 12) >> 16, 8u) << w << "x" << h;
        EXPECT_EQ(Le32(p.data, 16), 1u) << "BI_RLE8";
        EXPECT_EQ(p.picw, w);
        EXPECT_EQ(p.picwgoal, w * 15);
        // The stated size of the runs is what the runs take after the palette.
        EXPECT_EQ(40 + Le32(p.data, 32) * 4 + Le32(p.data, 20) + 4, p.data.size());
        ExpectShown(p, src);
        if (w == 320) {
            EXPECT_LT(p.data.size(), size_t(w) * size_t(h) / 4) << "runs are far smaller than pixels";
        }
    }
    // 256 colours still take a palette; 257 do not.
    for (int colours : {256, 257}) {
        html::Picture src = Solid(colours, 2, 0, 0, 0);
        for (int x = 0; x < colours; ++x) src.bgra[size_t(x) * 4] = uint8_t(x), src.bgra[size_t(x) * 4 + 1] = uint8_t(x >> 8);
        Rtf d = Convert("<img src=c>", [&](const std::string&, html::Picture& out) {
            out = src;
            return true;
        });
        ASSERT_EQ(d.picts.size(), 1u);
        EXPECT_EQ(Le32(d.picts[0].data, 12) >> 16, colours <= 256 ? 8u : 32u);
        ExpectShown(d.picts[0], src);
    }
}

TEST(HtmlPictures, OnePictureShownByManyTagsIsLoadedAndEncodedOnce) {
    int loads = 0;
    auto loader = [&](const std::string& s, html::Picture& out) {
        ++loads;
        out = s == "a.bmp" ? Photo(40, 30) : Drawing(20, 10);
        return true;
    };
    std::string page;
    for (int k = 0; k < 6; ++k) page += "<img src=a.bmp><img src=b.bmp width=" + std::to_string(10 + k) + "><img src=none.bmp>";
    Rtf d = Convert(page, [&](const std::string& s, html::Picture& out) { return s != "none.bmp" && loader(s, out); });
    EXPECT_EQ(loads, 2);
    ASSERT_EQ(d.picts.size(), 12u);
    for (size_t k = 2; k < 12; ++k) EXPECT_EQ(d.picts[k].data, d.picts[k % 2].data);
    EXPECT_EQ(d.picts[3].picwgoal, 11 * 15) << "each tag keeps its own size";
    const std::wstring text = Flat(d);
    EXPECT_EQ(std::count(text.begin(), text.end(), L'['), 6) << "the missing one shows its name each time";
}

TEST(HtmlPictures, DeferredPicturesMatchTheWholePageAndLoadOncePerSource) {
    int loads = 0;
    auto loader = [&](const std::string& s, html::Picture& out) {
        ++loads;
        if (s == "broken.bmp") return false;
        out = s == "a.bmp" ? Photo(40, 30) : Drawing(20, 10);
        return true;
    };
    const std::string page = "<p>x <img src=a.bmp> <img src=b.bmp width=15> <img src=a.bmp height=60></p>"
                             "<p><img src=broken.bmp alt=\"Схема {1}\"> <img src=none.bmp alt=нет> <img src=b.bmp></p>";
    html::DeferredRtf later = html::ToRtfDeferred(page, [](const std::string& s) { return s != "none.bmp"; });
    EXPECT_EQ(loads, 0) << "nothing is loaded while the text is converted";
    EXPECT_EQ(later.sources, (std::vector<std::string>{"a.bmp", "b.bmp", "broken.bmp"}));
    ASSERT_EQ(later.places.size(), 5u);
    // The text: a stand-in per place, and the alt text of a picture that is not there.
    const std::wstring text = Flat(ReadRtf(later.text));
    EXPECT_EQ(std::count(text.begin(), text.end(), html::kPictureStandIn), 5);
    EXPECT_NE(text.find(L"[нет]"), std::wstring::npos);
    EXPECT_EQ(text.find(L"Схема"), std::wstring::npos);
    // Each place shows what the whole page shows in that place.
    Rtf whole = Convert(page, [&](const std::string& s, html::Picture& out) { return s != "none.bmp" && loader(s, out); });
    ASSERT_EQ(whole.picts.size(), 4u);
    loads = 0;
    html::PagePictures pictures(later, loader);
    size_t shown = 0;
    for (size_t i = 0; i < later.places.size(); ++i) {
        bool isPicture = false;
        Rtf one = ReadRtf(pictures.PlaceRtf(i, &isPicture));
        EXPECT_EQ(isPicture, i != 3) << i;
        if (!isPicture) {
            EXPECT_EQ(Flat(one), L"[Схема {1}]");
            continue;
        }
        ASSERT_EQ(one.picts.size(), 1u) << i;
        const Pict& want = whole.picts[shown++];
        EXPECT_EQ(one.picts[0].data, want.data) << i;
        EXPECT_EQ(one.picts[0].picwgoal, want.picwgoal) << i;
        EXPECT_EQ(one.picts[0].pichgoal, want.pichgoal) << i;
    }
    EXPECT_EQ(loads, 3) << "a.bmp, b.bmp and broken.bmp once each";
    EXPECT_TRUE(pictures.PlaceRtf(99).empty());
}

TEST(HtmlPictures, TransparencyIsComposedOverWhiteAndSizeAttributesScale) {
    html::Picture clear = Solid(4, 2, 0, 0, 0, 0);
    auto loader = [&](const std::string&, html::Picture& out) {
        out = clear;
        return true;
    };
    Rtf d = Convert("<img src=x width=40>", loader);
    ASSERT_EQ(d.picts.size(), 1u);
    EXPECT_EQ(d.picts[0].pichgoal, 20 * 15) << "height follows the aspect ratio";
    ExpectShown(d.picts[0], clear);
    Rtf wide = Convert("<img src=x width=5000>", loader);
    EXPECT_LE(wide.picts[0].picwgoal, 9360 + 9360 / 4) << "never much wider than the text column";
}

TEST(HtmlPictures, AltTextWhenThePictureIsMissing) {
    auto fails = [](const std::string&, html::Picture&) { return false; };
    auto empty = [](const std::string&, html::Picture& out) {
        out.width = 10;
        out.height = 10;  // no pixels
        return true;
    };
    EXPECT_EQ(Flat(Convert("a <img src=x.png alt=\"Схема\"> b", fails)), L"a [Схема] b");
    EXPECT_EQ(Flat(Convert("<img src=\"dir/x.png\">", empty)), L"[x.png]");
    EXPECT_EQ(Flat(Convert("<img src=x.png alt=Alt>")), L"[Alt]") << "no loader at all";
    EXPECT_TRUE(Convert("<img src=x.png alt=Alt>", fails).picts.empty());
}

// --- robustness ---------------------------------------------------------------------

TEST(HtmlRobustness, MalformedMarkupStillShowsText) {
    EXPECT_EQ(Flat(Convert("")), L"");
    EXPECT_EQ(Flat(Convert("<b>bold <i>both</b> after</i> end")), L"bold both after end");
    EXPECT_EQ(Flat(Convert("</div></p>text</b></table>")), L"text");
    EXPECT_EQ(Flat(Convert("a < b and c <> d <")), L"a < b and c <> d <");
    EXPECT_EQ(Flat(Convert("<a href=\"never closed>link text</a> rest")), L"link text rest");
    EXPECT_EQ(Flat(Convert("before<!-- unterminated comment")), L"before");
    EXPECT_EQ(Flat(Convert("x<b")), L"x");
    EXPECT_EQ(Flat(Convert("x &amp")), L"x &");
    // Cell and row tags outside a table are ignored, as browsers do.
    EXPECT_EQ(Flat(Convert("<p>a<li>b<td>c<tr>d")), L"a|\u2022\tbcd");
}

TEST(HtmlRobustness, DeepNestingIsCapped) {
    std::string deep;
    for (int k = 0; k < 20000; ++k) deep += k % 2 ? "<b>" : "<div>";
    deep += "deep";
    for (int k = 0; k < 20000; ++k) deep += k % 2 ? "</div>" : "</b>";
    deep += "<ul>";
    for (int k = 0; k < 5000; ++k) deep += "<li><ul>";
    deep += "<li>item";
    Rtf d = Convert(deep + "<p>after");
    std::wstring text = Flat(d);
    EXPECT_NE(text.find(L"deep"), std::wstring::npos);
    EXPECT_NE(text.find(L"item"), std::wstring::npos);
    EXPECT_NE(text.find(L"after"), std::wstring::npos);
    for (auto& p : d.paras) EXPECT_LT(p.li, 200 * 720);
}

TEST(HtmlRobustness, GarbageAndHugeAttributes) {
    std::string garbage;
    uint32_t x = 12345;
    for (int k = 0; k < 200000; ++k) {
        x = x * 1103515245 + 12345;
        garbage += char(x >> 16);
    }
    std::string rtf = html::ToRtf(garbage);
    for (char c : rtf) ASSERT_LT(static_cast<unsigned char>(c), 0x80);
    ReadRtf(rtf);  // balanced groups, ASCII only

    std::string huge = "<a href=\"" + std::string(3'000'000, 'x') + "\" title='" + std::string(1000, '\'');
    EXPECT_NE(Flat(Convert(huge + ">text</a>")).find(L"text"), std::wstring::npos);
    std::string many = "<p";
    for (int k = 0; k < 100000; ++k) many += " a" + std::to_string(k) + "=1";
    EXPECT_EQ(Flat(Convert(many + ">ok")), L"ok");
}

}  // namespace
