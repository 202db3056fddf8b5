#include "skin/controls/ShellFolders.h"

#include <shellapi.h>

#include <cstring>
#include <cwchar>

#include "skin/controls/AlphaImageList.h"

namespace {
IMalloc* shellMalloc = nullptr;
IShellFolder* desktop = nullptr;
CRITICAL_SECTION lock;
bool lockMade = false;
bool oleStarted = false;
int unitCount = 0;

IMalloc* Allocator()
{
    if (!shellMalloc) OleCheck(SHGetMalloc(&shellMalloc));
    return shellMalloc;
}

// The item sizes of a list. An item size below 2 ends the list as the end
// mark does: such an item could not hold its own size.
int ItemSize(LPCITEMIDLIST id) { return id ? id->mkid.cb : 0; }
}  // namespace

TsAlphaImageList* ShellSmallImages = nullptr;
TkvShellFolder* DesktopFolder = nullptr;

void OleCheck(HRESULT result)
{
    if (FAILED(result)) {
        wchar_t text[512] = {};
        DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, DWORD(result), 0,
                                 text, 512, nullptr);
        wchar_t code[16];
        swprintf(code, 16, L"%08lX", static_cast<unsigned long>(result));
        String message = n ? String(text, n) : String(L"OLE error ") + code;
        while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
        throw EOleSysError(message, result);
    }
}

LPITEMIDLIST CreatePIDL(int size)
{
    if (size < 0) size = 0;
    void* p = Allocator()->Alloc(SIZE_T(size));
    if (!p) OleCheck(E_OUTOFMEMORY);
    std::memset(p, 0, size_t(size));
    return static_cast<LPITEMIDLIST>(p);
}

LPITEMIDLIST NextPIDL(LPCITEMIDLIST id)
{
    if (!id) return nullptr;
    return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(reinterpret_cast<const BYTE*>(id) + id->mkid.cb));
}

int GetPIDLSize(LPCITEMIDLIST id)
{
    if (!id) return 0;
    int size = 0;
    while (ItemSize(id) >= 2) {
        size += id->mkid.cb;
        id = NextPIDL(id);
    }
    return size + 2;
}

LPITEMIDLIST CopyPIDL(LPCITEMIDLIST id)
{
    if (!id) return nullptr;
    int size = GetPIDLSize(id);
    LPITEMIDLIST copy = CreatePIDL(size);
    std::memcpy(copy, id, size_t(size - 2));   // the end mark is already zero
    return copy;
}

LPITEMIDLIST ConcatPIDLs(LPCITEMIDLIST a, LPCITEMIDLIST b)
{
    int sa = a ? GetPIDLSize(a) - 2 : 0;
    int sb = b ? GetPIDLSize(b) : 2;
    LPITEMIDLIST r = CreatePIDL(sa + sb);
    if (a) std::memcpy(r, a, size_t(sa));
    if (b) std::memcpy(reinterpret_cast<BYTE*>(r) + sa, b, size_t(sb - 2));
    return r;
}

void DisposePIDL(LPITEMIDLIST id)
{
    if (id) Allocator()->Free(id);
}

IShellFolder* DesktopShellFolder()
{
    if (!desktop) OleCheck(SHGetDesktopFolder(&desktop));
    desktop->AddRef();
    return desktop;
}

LPITEMIDLIST DesktopPIDL()
{
    LPITEMIDLIST id = nullptr;
    OleCheck(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &id));
    return id;
}

// ------------------------------------------------------------------ folders

TkvShellFolder::TkvShellFolder(TkvShellFolder* parent, LPCITEMIDLIST id, IShellFolder* folder) : parent_(parent)
{
    folder_ = folder;
    if (folder_) folder_->AddRef();
    relative_ = CopyPIDL(id);
    if (parent_) {
        absolute_ = ConcatPIDLs(parent_->AbsoluteID(), relative_);
        for (TkvShellFolder* p = parent_; p; p = p->Parent()) ++level_;
    } else {
        LPITEMIDLIST d = DesktopPIDL();
        absolute_ = ConcatPIDLs(d, relative_);
        DisposePIDL(d);
    }
}

TkvShellFolder::~TkvShellFolder()
{
    DisposePIDL(relative_);
    DisposePIDL(absolute_);
    if (folder_) folder_->Release();
}

String TkvShellFolder::DisplayName() const
{
    IShellFolder* in = parent_ ? parent_->ShellFolder() : nullptr;
    bool own = false;
    if (!in) {
        in = DesktopShellFolder();
        own = true;
    }
    String name;
    STRRET s{};
    if (relative_ && SUCCEEDED(in->GetDisplayNameOf(relative_, SHGDN_NORMAL, &s))) {
        switch (s.uType) {
        case STRRET_WSTR:
            if (s.pOleStr) {
                name = s.pOleStr;
                CoTaskMemFree(s.pOleStr);
            }
            break;
        case STRRET_CSTR: name = AnsiToString(s.cStr); break;
        case STRRET_OFFSET:
            name = AnsiToString(reinterpret_cast<const char*>(relative_) + s.uOffset);
            break;
        }
    }
    if (own) in->Release();
    return name;
}

// ------------------------------------------------------------------ unit

void InitShellUnit()
{
    if (unitCount++ > 0) return;
    SHFILEINFOW info{};
    auto list = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    ShellSmallImages = new TsAlphaImageList(nullptr);
    if (list) {
        ShellSmallImages->SetHandle(list);   // frees the list's own, empty platform list
        ImageList_SetBkColor(list, CLR_NONE);
    }
    ShellSmallImages->SetShareImages(true);   // the system's list is never destroyed by us
    InitializeCriticalSection(&lock);
    lockMade = true;
    oleStarted = SUCCEEDED(OleInitialize(nullptr));
    try {
        IShellFolder* d = DesktopShellFolder();
        DesktopFolder = new TkvShellFolder(nullptr, nullptr, d);
        d->Release();
    } catch (const Exception&) {
        DesktopFolder = nullptr;   // no shell name space: the folders stay unavailable
    }
}

void DoneShellUnit()
{
    if (unitCount == 0 || --unitCount > 0) return;
    delete DesktopFolder;
    DesktopFolder = nullptr;
    if (lockMade) DeleteCriticalSection(&lock);
    lockMade = false;
    if (desktop) desktop->Release();
    desktop = nullptr;
    if (shellMalloc) shellMalloc->Release();
    shellMalloc = nullptr;
    if (oleStarted) OleUninitialize();
    oleStarted = false;
    delete ShellSmallImages;
    ShellSmallImages = nullptr;
}
