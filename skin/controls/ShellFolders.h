// Shell folders: item-identifier lists on the shell's allocator, a folder
// object that knows its parent and its full identifier list, and the system
// small-icon list wrapped once in an alpha image list.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "classlib/Classes.h"
#include "classlib/SysUtils.h"

class TsAlphaImageList;

// A failed OLE or shell call; ErrorCode is its result.
class EOleSysError : public Exception {
public:
    EOleSysError(String message, HRESULT code) : Exception(std::move(message)), code_(code) {}
    const wchar_t* ClassName() const override { return L"EOleSysError"; }
    HRESULT ErrorCode() const { return code_; }

private:
    HRESULT code_;
};
// Raises EOleSysError for a failing result.
void OleCheck(HRESULT result);

// Identifier lists. Each one made here is freed with DisposePIDL.
LPITEMIDLIST CreatePIDL(int size);                 // zero-filled
LPITEMIDLIST NextPIDL(LPCITEMIDLIST id);           // the next item (nullptr for nullptr)
int GetPIDLSize(LPCITEMIDLIST id);                 // 0 for nullptr, else items + 2 for the end mark
LPITEMIDLIST CopyPIDL(LPCITEMIDLIST id);           // nullptr for nullptr
LPITEMIDLIST ConcatPIDLs(LPCITEMIDLIST a, LPCITEMIDLIST b);   // a (may be nullptr) then b
void DisposePIDL(LPITEMIDLIST id);
// The desktop folder (the caller releases it) and its identifier list (the caller disposes it).
IShellFolder* DesktopShellFolder();
LPITEMIDLIST DesktopPIDL();

// A folder of the shell's name space.
class TkvShellFolder : public TObject {
    DECLARE_CLASS(TkvShellFolder, TObject)
public:
    // parent nullptr: the item is a child of the desktop. id is copied; folder
    // (may be nullptr) is kept with a reference of its own.
    TkvShellFolder(TkvShellFolder* parent, LPCITEMIDLIST id, IShellFolder* folder);
    ~TkvShellFolder() override;
    TkvShellFolder* Parent() const { return parent_; }
    IShellFolder* ShellFolder() const { return folder_; }
    LPCITEMIDLIST RelativeID() const { return relative_; }
    LPCITEMIDLIST AbsoluteID() const { return absolute_; }
    int Level() const { return level_; }   // number of ancestors
    TStringList& Details() { return details_; }
    // The item's display name (SHGDN_NORMAL) in its parent.
    String DisplayName() const;

private:
    TkvShellFolder* parent_;
    IShellFolder* folder_ = nullptr;
    LPITEMIDLIST relative_ = nullptr;
    LPITEMIDLIST absolute_ = nullptr;
    int level_ = 0;
    TStringList details_;
};

// The system small-icon list (shared, never destroyed by us) and the desktop
// folder, made by the unit's start-up; nullptr outside it.
extern TsAlphaImageList* ShellSmallImages;
extern TkvShellFolder* DesktopFolder;
void InitShellUnit();
void DoneShellUnit();
