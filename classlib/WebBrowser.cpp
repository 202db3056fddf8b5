#include "classlib/WebBrowser.h"

#include <richedit.h>

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

String FileFromUrl(const String& url)
{
    String p = url;
    if (p.rfind(L"file:///", 0) == 0) {
        p = p.substr(8);
        for (auto& c : p)
            if (c == L'/') c = L'\\';
    }
    return p;
}
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
}

void TWebBrowser::ShowRtf(const std::string& rtf)
{
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
    location_ = url;
    String file = FileFromUrl(url);
    std::string bytes;
    try {
        TFileStream f(file, fmOpenRead | fmShareDenyWrite);
        bytes = f.ReadAll();
    } catch (const Exception& e) {
        std::string page = "<html><head><meta charset=\"utf-8\"></head><body><h2>Страница не найдена</h2><p>" +
                           StringToUtf8(e.Message()) + "</p></body></html>";
        ShowRtf(html::ToRtf(page));
        return;
    }
    if (PageFilter) PageFilter(bytes);
    String folder = ExtractFilePath(file);
    ShowRtf(html::ToRtf(bytes, [folder](const std::string& src, html::Picture& out) {
        String path = folder + AnsiToString(src);
        for (auto& c : path)
            if (c == L'/') c = L'\\';
        try {
            TBitmap bmp;
            TPicture pic;
            pic.LoadFromFile(path);
            bmp.Assign(pic.Graphic());
            out.width = bmp.Width();
            out.height = bmp.Height();
            out.bgra.resize(size_t(out.width) * size_t(out.height) * 4);
            for (int y = 0; y < out.height; ++y)
                std::memcpy(&out.bgra[size_t(y) * size_t(out.width) * 4], bmp.ScanLine(y), size_t(out.width) * 4);
            return true;
        } catch (const Exception&) {
            return false;
        }
    }));
}

String TWebBrowser::PlainText()
{
    GETTEXTLENGTHEX gl{GTL_DEFAULT | GTL_PRECISE, 1200};
    LRESULT n = SendMessageW(Handle(), EM_GETTEXTLENGTHEX, WPARAM(&gl), 0);
    String s(size_t(n) + 1, L'\0');
    GETTEXTEX gt{};
    gt.cb = DWORD((n + 1) * sizeof(wchar_t));
    gt.flags = GT_DEFAULT;
    gt.codepage = 1200;
    LRESULT got = SendMessageW(handle_, EM_GETTEXTEX, WPARAM(&gt), LPARAM(s.data()));
    s.resize(size_t(got));
    return s;
}
