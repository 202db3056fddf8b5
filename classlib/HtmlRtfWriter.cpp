// The RTF text of a page: paragraphs, character runs, list markers, rules,
// table rows and pictures, with the colour table they use.
#include "classlib/HtmlInternal.h"

#include <cstring>

namespace html::detail {

int RtfWriter::ColorIndex(uint32_t rgb) {
    auto [it, added] = colorIndex_.try_emplace(rgb, int(colors_.size()) + 1);
    if (added) colors_.push_back(rgb);
    return it->second;
}

std::string RtfWriter::Assemble(const std::string& head, const char* tail) const {
    size_t total = head.size() + body.size() + std::strlen(tail);
    for (auto& p : pictures_) total += p.second->size();
    std::string doc;
    doc.reserve(total);
    doc += head;
    size_t from = 0;
    for (auto& [at, hex] : pictures_) {
        doc.append(body, from, at - from);
        doc += *hex;
        from = at;
    }
    doc.append(body, from, std::string::npos);
    doc += tail;
    return doc;
}

std::string RtfWriter::ColorTable() const {
    std::string t = "{\\colortbl ;";
    for (uint32_t c : colors_)
        t += "\\red" + std::to_string((c >> 16) & 255) + "\\green" + std::to_string((c >> 8) & 255) + "\\blue" +
             std::to_string(c & 255) + ";";
    return t + "}";
}

void RtfWriter::Break(const BlockFormat& bf, int gap) {
    if (bf.inlineOnly) {
        pendingSpace_ = canSpace_;
        return;
    }
    EndParagraph();
    spaceBefore_ = std::max(spaceBefore_, gap);
}

void RtfWriter::LineBreak(const BlockFormat& bf) {
    if (bf.inlineOnly) {
        pendingSpace_ = canSpace_;
        return;
    }
    if (!paraOpen_) StartParagraph(bf);
    EndParagraph();
}

void RtfWriter::Text(std::wstring_view text, const CharFormat& cf, const BlockFormat& bf) {
    for (size_t k = 0; k < text.size(); ++k) {
        wchar_t c = text[k];
        if (bf.pre && !bf.inlineOnly) {
            if (c == '\r') {
                if (k + 1 < text.size() && text[k + 1] == '\n') continue;
                c = '\n';
            }
            if (c == '\n') { LineBreak(bf); continue; }
            if (c == '\t') { Tab(cf, bf); continue; }
            if (c == ' ') { Put(' ', cf, bf); continue; }
        } else if (IsSpace(c)) {
            pendingSpace_ = canSpace_;
            continue;
        }
        if (c < 0x20) continue;
        Put(c, cf, bf);
    }
}

void RtfWriter::Tab(const CharFormat& cf, const BlockFormat& bf) {
    if (!paraOpen_) StartParagraph(bf);
    pendingSpace_ = false;
    EnsureRun(cf);
    body += "\\tab ";
    canSpace_ = false;
}

void RtfWriter::SetMarker(std::wstring marker, const CharFormat& cf, const BlockFormat& bf) {
    FlushMarker(bf);
    marker_ = std::move(marker);
    markerFormat_ = cf;
}

void RtfWriter::FlushMarker(const BlockFormat& bf) {
    if (marker_.empty()) return;
    StartParagraph(bf);
    EndParagraph();
}

void RtfWriter::Picture(const EncodedPicture& pic, int goalW, int goalH, const BlockFormat& bf) {
    BeginPicture(bf);
    std::string head = PictHead(pic, goalW, goalH);
    if (apart_) {
        StandIn();
        apart_->push_back("{\\rtf1\\ansi" + head + pic.hex + "}}");
    } else {
        body += head;
        // The picture's digits join the text only when the document is put
        // together, so the large digits are copied once.
        pictures_.push_back({body.size(), &pic.hex});
        body += "}";
    }
    canSpace_ = true;
}

void RtfWriter::LaterPicture(const BlockFormat& bf) {
    BeginPicture(bf);
    StandIn();
    canSpace_ = true;
}

void RtfWriter::Rule(const BlockFormat& bf) {
    if (bf.inlineOnly) {
        pendingSpace_ = canSpace_;
        return;
    }
    EndParagraph();
    FinishPendingPar();
    body += "\\pard";
    if (bf.inCell) body += "\\intbl";
    body += "\\li" + std::to_string(bf.left) + "\\ri" + std::to_string(bf.right) + "\\sb" +
            std::to_string(std::max(spaceBefore_, 80)) + "\\brdrb\\brdrs\\brdrw15\\brsp20\\brdrcf" +
            std::to_string(ColorIndex(kRuleColor)) + "{\\fs8 }";
    spaceBefore_ = 80;
    parPending_ = true;
    atTop_ = false;
}

void RtfWriter::FinishPendingPar() {
    if (parPending_) body += "\\par\n";
    parPending_ = false;
}

void RtfWriter::BeginRow(const std::vector<int>& rights, int left, bool borders, uint32_t color, int twips, bool first) {
    EndParagraph();
    FinishPendingPar();
    // Wine's control lays a table out with the space before of the
    // paragraph in front of it, which pulls the rows apart and loses their
    // horizontal lines; an empty paragraph of one point comes between.
    if (first && !atTop_) body += "\\pard{\\fs2\\par}\n";
    body += "\\pard\\trowd\\trgaph108\\trleft" + std::to_string(left - 108);
    const std::string line = "\\brdrs\\brdrw" + std::to_string(std::clamp(twips, 15, 75)) + "\\brdrcf" +
                             std::to_string(ColorIndex(borders ? color : kWhite));
    if (borders)
        for (const char* side : {"t", "l", "b", "r", "h", "v"}) body += std::string("\\trbrdr") + side + line;
    for (int r : rights) {
        for (const char* side : {"t", "l", "b", "r"}) body += std::string("\\clbrdr") + side + line;
        body += "\\cellx" + std::to_string(r);
    }
    body += "\n";
}

void RtfWriter::BeginCell() {
    atTop_ = true;
    spaceBefore_ = 0;
}

void RtfWriter::EndCell(const BlockFormat& bf) {
    FlushMarker(bf);
    if (paraOpen_) {
        CloseRun();
        paraOpen_ = false;
    } else if (!parPending_) {
        body += "\\pard\\intbl";
    }
    parPending_ = false;
    pendingSpace_ = false;
    body += "\\cell\n";
}

void RtfWriter::EndRow() {
    body += "\\row\n";
    spaceBefore_ = 0;
}

void RtfWriter::Finish() {
    EndParagraph();
    CloseRun();
}

void RtfWriter::EndParagraph() {
    if (!paraOpen_) return;
    CloseRun();
    paraOpen_ = false;
    parPending_ = true;
    pendingSpace_ = false;
    canSpace_ = false;
}

void RtfWriter::StartParagraph(const BlockFormat& bf) {
    FinishPendingPar();
    body += "\\pard";
    if (bf.inCell) body += "\\intbl";
    int first = 0;
    if (!marker_.empty()) first = -kMarkerWidth;
    if (bf.left) body += "\\li" + std::to_string(bf.left);
    if (bf.right) body += "\\ri" + std::to_string(bf.right);
    if (first) body += "\\fi" + std::to_string(first);
    if (!atTop_ && spaceBefore_) body += "\\sb" + std::to_string(spaceBefore_);
    switch (bf.align) {
    case Align::Center: body += "\\qc"; break;
    case Align::Right: body += "\\qr"; break;
    case Align::Justify: body += "\\qj"; break;
    default: break;
    }
    if (!marker_.empty()) body += "\\tx" + std::to_string(bf.left);
    for (int t : bf.tabs) body += "\\tx" + std::to_string(t);
    body += ' ';
    paraOpen_ = true;
    atTop_ = false;
    spaceBefore_ = 0;
    pendingSpace_ = false;
    canSpace_ = false;
    if (!marker_.empty()) {
        std::wstring m = std::move(marker_);
        marker_.clear();
        for (wchar_t c : m) PutRaw(c, markerFormat_);
        body += "\\tab ";
    }
}

void RtfWriter::EnsureRun(const CharFormat& cf) {
    if (run_ && *run_ == cf) return;
    CloseRun();
    body += cf.mono ? "{\\f1" : "{\\f0";
    body += "\\fs" + std::to_string(cf.halfPoints);
    if (cf.bold) body += "\\b";
    if (cf.italic) body += "\\i";
    if (cf.underline) body += "\\ul";
    if (cf.strike) body += "\\strike";
    if (cf.sup) body += "\\super";
    else if (cf.sub) body += "\\sub";
    if (cf.color != 0xFFFFFFFF) body += "\\cf" + std::to_string(ColorIndex(cf.color));
    body += ' ';
    run_ = cf;
}

void RtfWriter::CloseRun() {
    if (run_) body += '}';
    run_.reset();
}

void RtfWriter::Put(wchar_t c, const CharFormat& cf, const BlockFormat& bf) {
    if (!paraOpen_) StartParagraph(bf);
    if (pendingSpace_) {
        pendingSpace_ = false;
        PutRaw(' ', run_ ? *run_ : cf);  // the space belongs to the text before it
    }
    PutRaw(c, cf);
    canSpace_ = true;
}

void RtfWriter::BeginPicture(const BlockFormat& bf) {
    if (!paraOpen_) StartParagraph(bf);
    if (pendingSpace_) {
        pendingSpace_ = false;
        PutRaw(' ', run_ ? *run_ : CharFormat{});
    }
    CloseRun();
}

void RtfWriter::StandIn() { body += "{\\fs2\\cf" + std::to_string(ColorIndex(kWhite)) + " \\u-8192?}"; }

void RtfWriter::PutRaw(wchar_t c, const CharFormat& cf) {
    EnsureRun(cf);
    char32_t cp = char32_t(c);
    if (sizeof(wchar_t) == 4 && cp >= 0x10000) {
        cp -= 0x10000;
        PutUnit(0xD800 + (cp >> 10));
        PutUnit(0xDC00 + (cp & 0x3FF));
        return;
    }
    PutUnit(cp);
}

void RtfWriter::PutUnit(char32_t c) {
    if (c == '\\' || c == '{' || c == '}') {
        body += '\\';
        body += char(c);
    } else if (c >= 0x20 && c < 0x7F) {
        body += char(c);
    } else if (c == 0xA0) {
        body += "\\~";
    } else if (c >= 0x80 && c <= 0xFFFF) {
        body += "\\u" + std::to_string(int16_t(uint16_t(c))) + "?";
    }
}

}  // namespace html::detail
