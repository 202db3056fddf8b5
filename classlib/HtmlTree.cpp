// Text to an element tree: a forgiving tokenizer and the usual implied-end-tag
// rules.
#include "classlib/HtmlInternal.h"

namespace html::detail {

namespace {

// ---------------------------------------------------------------------------
// Element tree
// ---------------------------------------------------------------------------

constexpr size_t kMaxDepth = 100;      // open elements beyond this are flattened
constexpr size_t kMaxAttributes = 64;  // per tag; further ones are dropped

bool IsVoid(std::string_view t) {
    return In(t, {"br", "img", "hr", "meta", "link", "input", "area", "base", "col", "embed", "param", "source",
                  "track", "wbr", "basefont", "frame", "keygen"});
}

bool ClosesParagraph(std::string_view t) {
    return In(t, {"address", "article", "aside", "blockquote", "center", "details", "dir", "div", "dl", "fieldset",
                  "figcaption", "figure", "footer", "form", "h1", "h2", "h3", "h4", "h5", "h6", "header", "hr",
                  "listing", "main", "menu", "nav", "ol", "p", "pre", "section", "summary", "table", "ul", "li",
                  "dd", "dt", "xmp"});
}

class TreeBuilder {
public:
    Node root;
    std::string styleSheet;   // text of the page's <style> elements, lower-case

    TreeBuilder() { open_.push_back(&root); }

    void Text(std::wstring&& text) {
        if (text.empty()) return;
        Node* cur = open_.back();
        if (!cur->kids.empty() && cur->kids.back()->tag.empty()) {
            cur->kids.back()->text += text;
            return;
        }
        auto node = std::make_unique<Node>();
        node->text = std::move(text);
        cur->kids.push_back(std::move(node));
    }

    void Start(std::string tag, std::vector<std::pair<std::string, std::wstring>> attrs) {
        if (In(tag, {"html", "head", "body", "tbody", "thead", "tfoot", "colgroup", "col"})) {
            // Row groups add nothing to the rendering; rows hang off the table.
            if (In(tag, {"tbody", "thead", "tfoot"}) && FindInScope("table", {}) != npos) PopAbove("table");
            return;
        }
        if (ClosesParagraph(tag)) {
            size_t p = FindInScope("p", {"table", "td", "th", "caption", "button"});
            if (p != npos) PopTo(p);
        }
        if (IsHeading(tag) && IsHeading(open_.back()->tag)) Pop();
        if (tag == "li") CloseItem({"li"}, {"ul", "ol", "dir", "menu"});
        if (tag == "dt" || tag == "dd") CloseItem({"dt", "dd"}, {"dl"});
        if (tag == "a") {
            size_t a = FindInScope("a", {"table", "td", "th", "caption"});
            if (a != npos) PopTo(a);
        }
        if (tag == "tr" || tag == "td" || tag == "th" || tag == "caption") {
            if (FindInScope("table", {}) == npos) return;  // a cell outside any table: tag ignored
            if (tag == "tr" || tag == "caption") {
                PopAbove("table");
            } else {
                size_t tr = FindInScope("tr", {"table"});
                if (tr != npos) {
                    PopTo(tr + 1);
                } else {
                    PopAbove("table");
                    Push(std::make_unique<Node>(Node{"tr", {}, {}, {}}));
                }
            }
        }
        auto node = std::make_unique<Node>();
        node->tag = std::move(tag);
        node->attrs = std::move(attrs);
        if (IsVoid(node->tag)) {
            open_.back()->kids.push_back(std::move(node));
        } else if (open_.size() > kMaxDepth) {
            ++dropped_[node->tag];
        } else {
            Push(std::move(node));
        }
    }

    void End(const std::string& tag) {
        if (tag == "br") { Start("br", {}); return; }
        if (auto d = dropped_.find(tag); d != dropped_.end() && d->second > 0) { --d->second; return; }
        if (tag == "p" && FindInScope("p", {"table", "td", "th", "caption", "button"}) == npos) {
            Start("p", {});  // a stray </p> still breaks the paragraph
        }
        size_t at;
        if (tag == "table") at = FindInScope("table", {});
        else if (tag == "tr" || tag == "td" || tag == "th" || tag == "caption") at = FindInScope(tag, {"table"});
        else at = FindInScope(tag, {"table", "td", "th", "caption"});
        if (at != npos) PopTo(at);
    }

private:
    static constexpr size_t npos = size_t(-1);
    std::vector<Node*> open_;
    std::unordered_map<std::string, int> dropped_;

    void Push(std::unique_ptr<Node> node) {
        Node* raw = node.get();
        open_.back()->kids.push_back(std::move(node));
        open_.push_back(raw);
    }
    void Pop() {
        if (open_.size() > 1) open_.pop_back();
    }
    // Pops the element at `index` and everything above it.
    void PopTo(size_t index) {
        if (index >= 1) open_.resize(index);
    }
    // Pops everything above the nearest open `tag`.
    void PopAbove(std::string_view tag) {
        size_t at = FindInScope(tag, {});
        if (at != npos) open_.resize(at + 1);
    }
    size_t FindInScope(std::string_view tag, std::initializer_list<std::string_view> boundaries) const {
        for (size_t k = open_.size(); k-- > 1;) {
            if (open_[k]->tag == tag) return k;
            if (In(open_[k]->tag, boundaries)) return npos;
        }
        return npos;
    }
    void CloseItem(std::initializer_list<std::string_view> items, std::initializer_list<std::string_view> lists) {
        for (size_t k = open_.size(); k-- > 1;) {
            const std::string& t = open_[k]->tag;
            if (In(t, items)) { PopTo(k); return; }
            if (In(t, lists) || In(t, {"table", "td", "th", "blockquote", "div"})) return;
        }
    }
};

// Elements whose content is not markup: scripts and styles are dropped, and so
// is the title, which is not part of the page body.
bool IsSkippedRawText(std::string_view t) {
    return In(t, {"script", "style", "title", "noscript", "iframe", "noembed", "noframes", "template", "textarea"});
}

void Tokenize(const std::wstring& s, TreeBuilder& builder) {
    const size_t n = s.size();
    std::wstring text;
    size_t noQuote[2] = {n, n};
    auto flush = [&] {
        builder.Text(std::move(text));
        text.clear();
    };
    auto readName = [&](size_t& i) {
        std::string name;
        while (i < n && !IsSpace(s[i]) && s[i] != '/' && s[i] != '>') {
            if (name.size() < 64) name += s[i] < 0x80 ? ToLowerAscii(s[i]) : '?';
            ++i;
        }
        return name;
    };
    auto skipPast = [&](size_t from, wchar_t c) {
        size_t e = s.find(c, from);
        return e == std::wstring::npos ? n : e + 1;
    };
    size_t i = 0;
    while (i < n) {
        wchar_t c = s[i];
        if (c == '&') {
            i = DecodeEntity(s, i, text, false);
            continue;
        }
        if (c != '<' || i + 1 >= n) {
            if (c != 0) text += c;
            ++i;
            continue;
        }
        wchar_t d = s[i + 1];
        if (IsAlpha(d)) {
            flush();
            size_t j = i + 1;
            std::string tag = readName(j);
            std::vector<std::pair<std::string, std::wstring>> attrs;
            j = ReadAttributes(s.data(), n, j, noQuote, [&](size_t ns, size_t ne, size_t vs, size_t ve) {
                std::string name;
                for (size_t k = ns; k < ne && name.size() < 64; ++k) name += s[k] < 0x80 ? ToLowerAscii(s[k]) : '?';
                if (attrs.size() >= kMaxAttributes) return;
                for (auto& a : attrs)
                    if (a.first == name) return;
                attrs.emplace_back(std::move(name), DecodeEntities(s, vs, ve, true));
            });
            i = j;
            if (IsSkippedRawText(tag)) {
                // Content runs to the matching end tag, or to the end of the page.
                const size_t contentStart = i;
                size_t k = i, contentEnd = n;
                for (;;) {
                    k = s.find(L"</", k);
                    if (k == std::wstring::npos) { i = n; break; }
                    size_t m = k + 2;
                    std::string name = readName(m);
                    if (name == tag) { contentEnd = k; i = skipPast(m, '>'); break; }
                    k += 2;
                }
                // Style sheets are kept for the few rules the page view follows.
                if (tag == "style" && builder.styleSheet.size() < 65536)
                    builder.styleSheet += AsciiLower(s.substr(contentStart, std::min(contentEnd - contentStart, size_t(65536))));
                continue;
            }
            builder.Start(tag, std::move(attrs));
            if (tag == "pre" || tag == "listing") {
                // A newline right after the start tag is not content.
                if (i < n && s[i] == '\r') ++i;
                if (i < n && s[i] == '\n') ++i;
            }
        } else if (d == '/' && i + 2 < n && IsAlpha(s[i + 2])) {
            flush();
            size_t j = i + 2;
            std::string tag = readName(j);
            i = skipPast(j, '>');
            builder.End(tag);
        } else if (s.compare(i, 4, L"<!--") == 0) {
            flush();
            size_t e = s.find(L"-->", i + 2);
            i = e == std::wstring::npos ? n : e + 3;
        } else if (d == '!' || d == '?' || d == '/') {
            flush();  // doctype, processing instruction, "</ x>": skipped up to '>'
            i = skipPast(i + 2, '>');
        } else {
            text += c;
            ++i;
        }
    }
    flush();
}

}  // namespace

ParsedPage ParsePage(const std::wstring& text) {
    TreeBuilder builder;
    Tokenize(text, builder);
    ParsedPage page;
    page.root = std::move(builder.root);
    page.styleSheet = std::move(builder.styleSheet);
    return page;
}

}  // namespace html::detail
