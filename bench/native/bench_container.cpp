// The document container's write and read against plain zlib on the same
// bytes: PackDocument vs compress2 at the same level (9), UnpackDocument vs
// uncompress into a buffer of the known size. Input: about 4 MiB of generated
// Russian text in windows-1251 with CR LF line breaks, like a long document.
#include <zlib.h>

#include <cstdint>
#include <string>

#include "BenchHarness.h"
#include "app/ContentContainer.h"

namespace {

std::string RussianText(size_t bytes)
{
    static const wchar_t* const words[] = {
        L"алгоритм", L"массив", L"переменная", L"таблица", L"ключ",   L"запрос",  L"сеть",     L"адрес",
        L"протокол", L"данные", L"значение",   L"строка",  L"поле",   L"индекс",  L"операция", L"цикл",
        L"условие",  L"модель", L"отношение",  L"кортеж",  L"уровень", L"пакет",  L"маршрут",  L"сортировка",
        L"и",        L"в",      L"на",         L"не",      L"что",    L"это",     L"для",      L"при"};
    const size_t count = sizeof words / sizeof words[0];
    uint32_t seed = 20261208;
    String line, text;
    std::string out;
    while (out.size() < bytes) {
        text.clear();
        for (int l = 0; l < 64; ++l) {
            line.clear();
            int n = 6 + int(seed % 9);
            for (int w = 0; w < n; ++w) {
                seed = seed * 1664525u + 1013904223u;
                if (!line.empty()) line += L' ';
                line += words[(seed >> 16) % count];
            }
            line[0] = UpperCase(line.substr(0, 1))[0];
            text += line + L".\r\n";
        }
        out += StringToAnsi(text);
    }
    out.resize(bytes);
    return out;
}

}  // namespace

int main()
{
    const std::string text = RussianText(size_t(4) << 20);
    const std::string label = " (" + std::to_string(text.size() >> 20) + " MiB cp1251)";

    std::string packed;
    std::string reference(compressBound(uLong(text.size())), '\0');
    uLongf referenceSize = 0;
    auto ourWrite = [&] { packed = PackDocument(text); };
    auto zlibWrite = [&] {
        referenceSize = uLongf(reference.size());
        if (compress2(reinterpret_cast<Bytef*>(reference.data()), &referenceSize,
                      reinterpret_cast<const Bytef*>(text.data()), uLong(text.size()), 9) != Z_OK)
            bench::Check(false, "compress2");
    };
    ourWrite();
    zlibWrite();
    bench::Check(UnpackDocument(packed) == text, "container write");

    std::string unpacked;
    std::string plain(text.size(), '\0');
    auto ourRead = [&] { unpacked = UnpackDocument(packed); };
    auto zlibRead = [&] {
        uLongf size = uLongf(plain.size());
        if (uncompress(reinterpret_cast<Bytef*>(plain.data()), &size, reinterpret_cast<const Bytef*>(reference.data()),
                       referenceSize) != Z_OK || size != plain.size())
            bench::Check(false, "uncompress");
    };
    ourRead();
    zlibRead();
    bench::Check(unpacked == text && plain == text, "container read");

    bench::Report("container write" + label, bench::Compare(ourWrite, zlibWrite, 5), "zlib compress2");
    bench::Report("container read" + label, bench::Compare(ourRead, zlibRead, 15), "zlib uncompress");
    return 0;
}
