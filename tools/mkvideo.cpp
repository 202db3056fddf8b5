// Host build tool: draws a short animated diagram and writes it as an AVI
// file with 8-bit run-length encoded frames (BI_RLE8), which the standard
// Windows video codecs play.
//   mkvideo sort|packet|table <out.avi>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int W = 192, H = 144, FPS = 8;

enum Colour : uint8_t { Back, Grid, Bar, Hot, Done, Dark, Light, Packet, Wire, Accent, kColours };
const uint8_t kPalette[kColours][3] = {
    // red, green, blue
    {236, 240, 244}, {180, 188, 198}, {70, 110, 170}, {220, 120, 40}, {60, 150, 80},
    {50, 56, 64},    {250, 250, 250}, {200, 40, 60},  {120, 128, 140}, {250, 210, 80},
};

struct Frame {
    std::vector<uint8_t> px = std::vector<uint8_t>(W * H, Back);
    void Rect(int x0, int y0, int x1, int y1, uint8_t c)
    {
        for (int y = std::max(0, y0); y < std::min(H, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(W, x1); ++x) px[y * W + x] = c;
    }
    void Frame3(int x0, int y0, int x1, int y1, uint8_t c)
    {
        Rect(x0, y0, x1, y0 + 1, c);
        Rect(x0, y1 - 1, x1, y1, c);
        Rect(x0, y0, x0 + 1, y1, c);
        Rect(x1 - 1, y0, x1, y1, c);
    }
};

// BI_RLE8: rows bottom-up, each as (count, colour) pairs, then end of line;
// end of bitmap after the last row.
std::string EncodeRle8(const Frame& f)
{
    std::string out;
    for (int y = H - 1; y >= 0; --y) {
        const uint8_t* row = &f.px[y * W];
        for (int x = 0; x < W;) {
            int n = 1;
            while (x + n < W && n < 255 && row[x + n] == row[x]) ++n;
            out += char(n);
            out += char(row[x]);
            x += n;
        }
        out += '\0';
        out += '\0';
    }
    out[out.size() - 1] = 1;   // the last end of line becomes end of bitmap
    return out;
}

std::vector<Frame> SortScene()
{
    std::vector<Frame> frames;
    std::vector<int> v = {5, 2, 6, 1, 4, 3};
    auto draw = [&](int a, int b, int sortedFrom) {
        Frame f;
        f.Rect(8, 128, W - 8, 130, Grid);
        for (int i = 0; i < int(v.size()); ++i) {
            uint8_t c = i >= sortedFrom ? Done : (i == a || i == b) ? Hot : Bar;
            int x = 16 + i * 28;
            f.Rect(x, 128 - v[i] * 18, x + 20, 128, c);
        }
        frames.push_back(f);
    };
    int n = int(v.size());
    draw(-1, -1, n);
    for (int pass = 0; pass < n - 1; ++pass) {
        for (int i = 0; i + 1 < n - pass; ++i) {
            draw(i, i + 1, n - pass);
            if (v[i] > v[i + 1]) {
                std::swap(v[i], v[i + 1]);
                draw(i, i + 1, n - pass);
            }
        }
    }
    for (int i = 0; i < FPS; ++i) draw(-1, -1, 0);
    return frames;
}

std::vector<Frame> PacketScene()
{
    std::vector<Frame> frames;
    auto base = [] {
        Frame f;
        f.Rect(10, 52, 46, 82, Dark);      // computer A
        f.Rect(14, 56, 42, 74, Light);
        f.Rect(20, 84, 36, 88, Dark);
        f.Rect(146, 52, 182, 82, Dark);    // computer B
        f.Rect(150, 56, 178, 74, Light);
        f.Rect(156, 84, 172, 88, Dark);
        f.Rect(80, 56, 112, 76, Bar);      // router
        f.Frame3(80, 56, 112, 76, Dark);
        f.Rect(84, 64, 108, 67, Light);
        f.Rect(46, 65, 80, 67, Wire);
        f.Rect(112, 65, 146, 67, Wire);
        return f;
    };
    for (int trip = 0; trip < 2; ++trip) {
        bool back = trip % 2 == 1;
        for (int step = 0; step <= 20; ++step) {
            Frame f = base();
            int x = back ? 170 - step * 7 : 22 + step * 7;
            bool inRouter = x > 80 && x < 104;
            f.Rect(x, 60, x + 9, 71, inRouter ? Accent : Packet);
            if (inRouter) f.Frame3(78, 54, 114, 78, Accent);
            frames.push_back(f);
        }
        for (int i = 0; i < 3; ++i) {
            Frame f = base();
            int hx = back ? 10 : 146;
            f.Frame3(hx - 3, 49, hx + 39, 85, Done);
            frames.push_back(f);
        }
    }
    return frames;
}

std::vector<Frame> TableScene()
{
    std::vector<Frame> frames;
    const int rows = 6, x0 = 16, y0 = 14, cw = 52, rh = 18;
    const bool match[rows] = {false, true, false, false, true, false};
    auto draw = [&](int shown, int scan, int found) {
        Frame f;
        f.Rect(x0, y0, x0 + 3 * cw, y0 + rh, Dark);   // header row
        for (int r = 0; r < shown; ++r) {
            int y = y0 + rh * (r + 1);
            uint8_t c = r == scan ? Accent : (r < found && match[r]) ? Done : Light;
            f.Rect(x0, y, x0 + 3 * cw, y + rh, c);
            for (int k = 0; k < 3; ++k) f.Rect(x0 + k * cw + 6, y + 7, x0 + k * cw + 6 + 20 + (r * 7 + k * 11) % 22, y + 11, Wire);
        }
        for (int r = 0; r <= shown + 1 && r <= rows + 1; ++r) f.Rect(x0, y0 + r * rh, x0 + 3 * cw + 1, y0 + r * rh + 1, Grid);
        for (int k = 0; k <= 3; ++k) f.Rect(x0 + k * cw, y0, x0 + k * cw + 1, y0 + rh * (shown + 1), Grid);
        frames.push_back(f);
    };
    for (int s = 0; s <= rows; ++s)
        for (int i = 0; i < 2; ++i) draw(s, -1, 0);
    for (int r = 0; r < rows; ++r)
        for (int i = 0; i < 3; ++i) draw(rows, r, r);
    for (int i = 0; i < FPS; ++i) draw(rows, -1, rows);
    return frames;
}

void Put32(std::string& s, uint32_t v)
{
    for (int i = 0; i < 4; ++i) s += char(v >> (8 * i));
}
void Put16(std::string& s, uint16_t v)
{
    s += char(v);
    s += char(v >> 8);
}
std::string Chunk(const char* id, const std::string& body)
{
    std::string s(id, 4);
    Put32(s, uint32_t(body.size()));
    s += body;
    if (body.size() % 2) s += '\0';
    return s;
}
std::string List(const char* type, const std::string& body) { return Chunk("LIST", std::string(type, 4) + body); }

std::string WriteAvi(const std::vector<Frame>& frames)
{
    std::vector<std::string> data;
    uint32_t largest = 0;
    for (const Frame& f : frames) {
        data.push_back(EncodeRle8(f));
        largest = std::max<uint32_t>(largest, uint32_t(data.back().size()));
    }
    const uint32_t n = uint32_t(frames.size());

    std::string avih;
    Put32(avih, 1000000 / FPS);
    Put32(avih, largest * FPS);
    Put32(avih, 0);
    Put32(avih, 0x10);   // AVIF_HASINDEX
    Put32(avih, n);
    Put32(avih, 0);
    Put32(avih, 1);
    Put32(avih, largest);
    Put32(avih, W);
    Put32(avih, H);
    for (int i = 0; i < 4; ++i) Put32(avih, 0);

    std::string strh = "vidsmrle";
    Put32(strh, 0);
    Put16(strh, 0);
    Put16(strh, 0);
    Put32(strh, 0);
    Put32(strh, 1);     // scale
    Put32(strh, FPS);   // rate
    Put32(strh, 0);
    Put32(strh, n);
    Put32(strh, largest);
    Put32(strh, 0xFFFFFFFF);
    Put32(strh, 0);
    Put16(strh, 0);
    Put16(strh, 0);
    Put16(strh, W);
    Put16(strh, H);

    std::string strf;
    Put32(strf, 40);
    Put32(strf, W);
    Put32(strf, H);
    Put16(strf, 1);
    Put16(strf, 8);
    Put32(strf, 1);   // BI_RLE8
    Put32(strf, W * H);
    Put32(strf, 2835);
    Put32(strf, 2835);
    Put32(strf, kColours);
    Put32(strf, 0);
    for (const auto& c : kPalette) {
        strf += char(c[2]);
        strf += char(c[1]);
        strf += char(c[0]);
        strf += '\0';
    }

    std::string hdrl = List("hdrl", Chunk("avih", avih) + List("strl", Chunk("strh", strh) + Chunk("strf", strf)));

    std::string movi = "movi", idx;
    for (const std::string& d : data) {
        uint32_t offset = uint32_t(movi.size());   // from the "movi" type field
        movi += Chunk("00dc", d);
        idx += "00dc";
        Put32(idx, 0x10);   // AVIIF_KEYFRAME: every frame is complete
        Put32(idx, offset);
        Put32(idx, uint32_t(d.size()));
    }
    std::string body = "AVI " + hdrl + Chunk("LIST", movi) + Chunk("idx1", idx);
    return Chunk("RIFF", body);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: mkvideo sort|packet|table <out.avi>\n";
        return 2;
    }
    std::string scene = argv[1];
    std::vector<Frame> frames = scene == "sort"     ? SortScene()
                                : scene == "packet" ? PacketScene()
                                : scene == "table"  ? TableScene()
                                                    : std::vector<Frame>{};
    if (frames.empty()) {
        std::cerr << "mkvideo: unknown scene " << scene << "\n";
        return 2;
    }
    std::string avi = WriteAvi(frames);
    std::ofstream f(argv[2], std::ios::binary | std::ios::trunc);
    f.write(avi.data(), std::streamsize(avi.size()));
    f.close();
    if (!f) {
        std::cerr << "mkvideo: cannot write " << argv[2] << "\n";
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
