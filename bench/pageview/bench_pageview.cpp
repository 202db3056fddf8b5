// Page view benchmark. Generates a chapter of about 1 MB (text, 200 pictures
// of 320 x 160, half drawings and half photographs, or all of one kind with
// --drawings / --photos, and 240 tables) and a
// small chapter, then measures under the real rich-edit control:
//   - opening the large page in a fresh view (making the view included, as
//     a new tab makes one);
//   - opening the small page in a fresh view (the same);
//   - switching the same view from the large page to the small one;
//   - the floor: the large page's visible text loaded as plain text into an
//     empty control.
// Each figure includes painting the view once. Prints the median of several
// runs and our figures as ratios of their references.
#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Forms.h"
#include "classlib/HtmlDocument.h"
#include "classlib/WebBrowser.h"
#include "WineBench.h"

namespace {

using winebench::Median;
using winebench::Now;
using winebench::Pump;

constexpr int kPicW = 320, kPicH = 160, kPictures = 200, kTables = 240;

void WriteFileBytes(const String& name, const std::string& bytes)
{
    HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD put = 0;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr);
    CloseHandle(h);
}

uint32_t Rng(uint32_t& s)
{
    s = s * 1664525u + 1013904223u;
    return s >> 8;
}

// Pixels (0xRRGGBB, top-down) of picture k: even ones are drawings (few
// colours: boxes, lines, a caption bar), odd ones photographs (smooth colour
// with noise, thousands of colours).
enum class Kinds { mixed, drawings, photos };
Kinds pictureKinds = Kinds::mixed;
bool withTables = true, withPictures = true;

std::vector<uint32_t> MakePicture(int k)
{
    std::vector<uint32_t> px(size_t(kPicW) * kPicH);
    uint32_t seed = uint32_t(k) * 7919u + 1;
    const bool drawing = pictureKinds == Kinds::drawings || (pictureKinds == Kinds::mixed && k % 2 == 0);
    if (drawing) {
        std::fill(px.begin(), px.end(), 0xFFFFFF);
        static const uint32_t inks[] = {0x1F3864, 0xC00000, 0x2E7D32, 0xF9A825, 0x6A1B9A};
        for (int b = 0; b < 6; ++b) {
            int x0 = int(Rng(seed) % 260), y0 = 20 + int(Rng(seed) % 100), w = 20 + int(Rng(seed) % 60),
                h = 10 + int(Rng(seed) % 40);
            uint32_t ink = inks[Rng(seed) % 5];
            for (int y = y0; y < std::min(kPicH, y0 + h); ++y)
                for (int x = x0; x < std::min(kPicW, x0 + w); ++x)
                    px[size_t(y) * kPicW + size_t(x)] = (y == y0 || x == x0) ? 0x000000 : ink;
        }
        for (int x = 0; x < kPicW; ++x) px[size_t(150) * kPicW + size_t(x)] = 0x808080;
        for (int y = 0; y < 14; ++y)
            for (int x = 0; x < kPicW; ++x) px[size_t(y) * kPicW + size_t(x)] = (x / 7 + y / 7) % 3 ? 0xDDE3EA : 0x1F3864;
    } else {
        for (int y = 0; y < kPicH; ++y)
            for (int x = 0; x < kPicW; ++x) {
                int n = int(Rng(seed) % 24);
                int r = std::min(255, 40 + x * 200 / kPicW + n), g = std::min(255, 60 + y * 150 / kPicH + n),
                    b = std::min(255, 120 + (x + y) % 90 + n);
                px[size_t(y) * kPicW + size_t(x)] = uint32_t(r << 16 | g << 8 | b);
            }
    }
    return px;
}

// A 24-bit bottom-up bitmap file.
std::string BmpFile(const std::vector<uint32_t>& px)
{
    const uint32_t stride = (kPicW * 3 + 3) & ~3u, bits = stride * kPicH;
    std::string f;
    auto put16 = [&](uint32_t v) { f += char(v & 255), f += char(v >> 8 & 255); };
    auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    f += "BM";
    put32(54 + bits), put32(0), put32(54);
    put32(40), put32(kPicW), put32(kPicH), put32(1 | 24 << 16), put32(0), put32(bits), put32(3780), put32(3780);
    put32(0), put32(0);
    for (int y = kPicH; y-- > 0;) {
        for (int x = 0; x < kPicW; ++x) {
            uint32_t c = px[size_t(y) * kPicW + size_t(x)];
            f += char(c & 255), f += char(c >> 8 & 255), f += char(c >> 16 & 255);
        }
        f.append(stride - kPicW * 3, '\0');
    }
    return f;
}

const char* const kWords[] = {"система", "данных", "модель", "отношение", "ключ", "таблица", "запрос", "индекс",
                              "транзакция", "поле", "значение", "атрибут", "схема", "связь", "операция", "набор"};

std::string Sentence(uint32_t& seed, int words)
{
    std::string s;
    for (int w = 0; w < words; ++w) {
        if (w) s += ' ';
        s += kWords[Rng(seed) % 16];
    }
    return s + ". ";
}

std::string LargePage()
{
    uint32_t seed = 12345;
    std::string p = "<html><head><meta charset=\"utf-8\"><title>Большая глава</title></head><body>\n"
                    "<h1>Глава 1. Реляционная модель данных</h1>\n";
    for (int k = 0; k < kTables; ++k) {
        if (k % 10 == 0) p += "<h2>Раздел " + std::to_string(k / 10 + 1) + "</h2>\n";
        p += "<p>";
        for (int n = 0; n < 26; ++n) p += Sentence(seed, 8);
        p += Sentence(seed, 8) + "<b>" + Sentence(seed, 3) + "</b>" + Sentence(seed, 10) + "</p>\n";
        if (k < kPictures && withPictures)
            p += "<p align=center><img src=\"pic" + std::to_string(k) + ".bmp\" alt=\"Рисунок " + std::to_string(k + 1) +
                 "\"></p>\n";
        if (!withTables) continue;
        p += "<table border=1><tr><th>Поле</th><th>Тип</th><th>Размер</th><th>Описание</th></tr>\n";
        for (int r = 0; r < 4; ++r)
            p += "<tr><td>" + std::string(kWords[Rng(seed) % 16]) + "</td><td>int</td><td>" + std::to_string(Rng(seed) % 100) +
                 "</td><td>" + Sentence(seed, 3) + "</td></tr>\n";
        p += "</table>\n";
    }
    while (p.size() < 1000000) p += "<p>" + Sentence(seed, 40) + "</p>\n";
    return p + "</body></html>\n";
}

std::string SmallPage()
{
    uint32_t seed = 777;
    std::string p = "<html><head><meta charset=\"utf-8\"></head><body><h1>Глава 3. Сортировка массивов</h1>\n";
    for (int k = 0; k < 6; ++k) p += "<p>" + Sentence(seed, 60) + "</p>\n";
    p += "<table border=1><tr><th>Метод</th><th>Сложность</th></tr><tr><td>Пузырьком</td><td>n²</td></tr></table>\n";
    return p + "</body></html>\n";
}

// Reads back the 24-bit files this benchmark wrote (for timing the
// conversion alone).
bool LoadBmp(const String& folder, const std::string& src, html::Picture& out)
{
    HANDLE h = CreateFileW((folder + Utf8ToString(src)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::string f(54 + size_t(kPicH) * ((kPicW * 3 + 3) & ~3u), '\0');
    DWORD got = 0;
    ReadFile(h, f.data(), DWORD(f.size()), &got, nullptr);
    CloseHandle(h);
    if (got != f.size()) return false;
    out.width = kPicW;
    out.height = kPicH;
    out.bgra.resize(size_t(kPicW) * kPicH * 4);
    const size_t stride = (kPicW * 3 + 3) & ~3u;
    for (int y = 0; y < kPicH; ++y)
        for (int x = 0; x < kPicW; ++x) {
            const char* s = &f[54 + size_t(kPicH - 1 - y) * stride + size_t(x) * 3];
            uint8_t* d = &out.bgra[(size_t(y) * kPicW + size_t(x)) * 4];
            d[0] = uint8_t(s[0]), d[1] = uint8_t(s[1]), d[2] = uint8_t(s[2]), d[3] = 255;
        }
    return true;
}

struct Source {
    const char* p;
    size_t left;
};

DWORD CALLBACK ReadSource(DWORD_PTR cookie, LPBYTE buf, LONG cb, LONG* got)
{
    auto* s = reinterpret_cast<Source*>(cookie);
    size_t n = std::min(size_t(cb), s->left);
    std::memcpy(buf, s->p, n);
    s->p += n;
    s->left -= n;
    *got = LONG(n);
    return 0;
}

class Bench {
public:
    explicit Bench(const String& folder) : folder_(folder)
    {
        form_ = new TForm(Application);
        form_->SetBounds(0, 0, 1000, 720);
        form_->Show();
        Pump();
    }
    ~Bench() { Free(form_); }

    TWebBrowser* NewView(bool settle = true)
    {
        auto* wb = new TWebBrowser(form_);
        wb->SetParent(form_);
        wb->SetBounds(0, 0, 980, 680);
        wb->HandleNeeded();
        if (settle) Pump();
        return wb;
    }
    // Navigate and paint once.
    static double Open(TWebBrowser* wb, const String& file)
    {
        double t0 = Now();
        wb->Navigate(file);
        UpdateWindow(wb->Handle());
        GdiFlush();
        return Now() - t0;
    }
    // A fresh view as a new tab makes it: the view's window, then the page.
    // Also gives the time until every picture is in its place.
    double Fresh(const String& file, String* text = nullptr, double* withPictures = nullptr)
    {
        double t0 = Now();
        TWebBrowser* wb = NewView(false);
        Open(wb, file);
        const double t = Now() - t0;
        wb->FinishPictures();
        UpdateWindow(wb->Handle());
        GdiFlush();
        if (withPictures) *withPictures = Now() - t0;
        if (text) *text = wb->PlainText();
        Free(wb);
        Pump();
        return t;
    }
    // The switch, and the freeing of the old page when the queue is next served.
    std::pair<double, double> Switch(const String& from, const String& to)
    {
        TWebBrowser* wb = NewView();
        Open(wb, from);
        Pump();
        double t = Open(wb, to);
        double t0 = Now();
        Pump();
        double freeing = Now() - t0;
        Free(wb);
        Pump();
        return {t, freeing};
    }
    // The same visible text as plain text into an empty rich-edit window.
    double Floor(const String& text)
    {
        TWebBrowser* wb = NewView();   // only for its window class and look
        HWND h = wb->Handle();
        Source src{reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)};
        EDITSTREAM es{};
        es.dwCookie = DWORD_PTR(&src);
        es.pfnCallback = ReadSource;
        double t0 = Now();
        SendMessageW(h, EM_STREAMIN, SF_TEXT | SF_UNICODE, LPARAM(&es));
        UpdateWindow(h);
        GdiFlush();
        double t = Now() - t0;
        Free(wb);
        Pump();
        return t;
    }

private:
    String folder_;
    TForm* form_;
};

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    int runs = 3;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::wcscmp(argv[i], L"--runs") && i + 1 < argc) runs = std::max(1, _wtoi(argv[++i]));
        else if (!std::wcscmp(argv[i], L"--keep")) keep = true;
        else if (!std::wcscmp(argv[i], L"--drawings")) pictureKinds = Kinds::drawings;
        else if (!std::wcscmp(argv[i], L"--photos")) pictureKinds = Kinds::photos;
        else if (!std::wcscmp(argv[i], L"--no-tables")) withTables = false;
        else if (!std::wcscmp(argv[i], L"--no-pictures")) withPictures = false;
    }
    InitApplication();
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    String folder = String(tmp) + L"talvera_bench_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);

    for (int k = 0; k < kPictures; ++k)
        WriteFileBytes(folder + L"pic" + std::to_wstring(k) + L".bmp", BmpFile(MakePicture(k)));
    const std::string large = LargePage(), small = SmallPage();
    const String largeFile = folder + L"large.html", smallFile = folder + L"small.html";
    WriteFileBytes(largeFile, large);
    WriteFileBytes(smallFile, small);
    std::printf("large page: %zu bytes of HTML, %d pictures %dx%d (%s), %d tables; small page: %zu bytes\n",
                large.size(), kPictures, kPicW, kPicH,
                pictureKinds == Kinds::mixed ? "half drawings, half photographs"
                : pictureKinds == Kinds::drawings ? "drawings" : "photographs",
                kTables, small.size());

    // The conversion alone.
    std::string rtf;
    double tc0 = Now();
    rtf = html::ToRtf(large, [&](const std::string& src, html::Picture& out) { return LoadBmp(folder, src, out); });
    double convert = Now() - tc0;
    const double oldForm = double(kPictures) * ((kPicW + 1) * kPicH * 4 + 44) * 2;
    std::printf("conversion to rich text: %.0f ms, %.1f MB (pictures as 32-bit bitmaps alone would be %.1f MB)\n",
                convert * 1000, rtf.size() / 1048576.0, oldForm / 1048576.0);

    auto* bench = new Bench(folder);
    String visible;
    std::vector<double> freshLarge, freshLargeAll, freshSmall, switched, freed, floor;
    for (int r = 0; r < runs; ++r) {
        double all = 0;
        freshLarge.push_back(bench->Fresh(largeFile, r == 0 ? &visible : nullptr, &all));
        freshLargeAll.push_back(all);
        freshSmall.push_back(bench->Fresh(smallFile));
        auto [s, f] = bench->Switch(largeFile, smallFile);
        switched.push_back(s);
        freed.push_back(f);
    }
    for (int r = 0; r < runs; ++r) floor.push_back(bench->Floor(visible));

    delete bench;
    const double fla = Median(freshLargeAll);
    const double fl = Median(freshLarge), fs = Median(freshSmall), sw = Median(switched), fr = Median(freed),
                 fo = Median(floor);
    std::printf("visible text of the large page: %zu characters\n", visible.size());
    std::printf("median of %d runs (each includes one paint):\n", runs);
    std::printf("  open the large page in a fresh view        %8.1f ms  (text shown, pictures follow)\n", fl * 1000);
    std::printf("  ... and with every picture in its place    %8.1f ms\n", fla * 1000);
    std::printf("  floor: its text as plain text, empty view  %8.1f ms\n", fo * 1000);
    std::printf("  open the small page in a fresh view        %8.1f ms\n", fs * 1000);
    std::printf("  switch the view from large to small        %8.1f ms\n", sw * 1000);
    std::printf("  (then freeing the large page when idle     %8.1f ms)\n", fr * 1000);
    bench::Row("open the large page (aim: ratio 3 at most)", fl * 1000, fo * 1000, "its text as plain text");
    bench::Row("open the large page, every picture in place", fla * 1000, fo * 1000, "its text as plain text");
    bench::Row("switch large to small (aim: ratio 1.2)", sw * 1000, fs * 1000, "small page in a fresh view");

    if (!keep) {
        for (int k = 0; k < kPictures; ++k) DeleteFileW((folder + L"pic" + std::to_wstring(k) + L".bmp").c_str());
        DeleteFileW(largeFile.c_str());
        DeleteFileW(smallFile.c_str());
        RemoveDirectoryW(folder.c_str());
    } else {
        std::printf("pages kept in %s\n", StringToUtf8(folder).c_str());
    }
    DoneApplication();
    return 0;
}
