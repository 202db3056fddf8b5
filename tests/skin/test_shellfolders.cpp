// Shell folders under Wine: identifier-list routines on the shell allocator,
// folder objects with their full lists and depth, and the unit's shared pieces.
#include <gtest/gtest.h>

#include <cstring>

#include "skin/controls/AlphaImageList.h"
#include "skin/controls/ShellFolders.h"
#include "skin/forms/Startup.h"

namespace {

// A list of items of the given payload sizes (each item is 2 + payload bytes).
LPITEMIDLIST MakeList(std::initializer_list<int> payloads)
{
    int total = 2;
    for (int p : payloads) total += 2 + p;
    LPITEMIDLIST id = CreatePIDL(total);
    BYTE* b = reinterpret_cast<BYTE*>(id);
    int fill = 1;
    for (int p : payloads) {
        *reinterpret_cast<USHORT*>(b) = USHORT(2 + p);
        for (int i = 0; i < p; ++i) b[2 + i] = BYTE(fill++);
        b += 2 + p;
    }
    return id;
}

TEST(ShellIdLists, SizesStepsCopiesAndJoins)
{
    EXPECT_EQ(GetPIDLSize(nullptr), 0);
    EXPECT_EQ(NextPIDL(nullptr), nullptr);
    EXPECT_EQ(CopyPIDL(nullptr), nullptr);
    LPITEMIDLIST empty = CreatePIDL(2);
    EXPECT_EQ(GetPIDLSize(empty), 2);   // only the end mark
    LPITEMIDLIST a = MakeList({3, 5});
    EXPECT_EQ(GetPIDLSize(a), 5 + 7 + 2);
    LPITEMIDLIST second = NextPIDL(a);
    EXPECT_EQ(reinterpret_cast<BYTE*>(second) - reinterpret_cast<BYTE*>(a), 5);
    EXPECT_EQ(second->mkid.cb, 7);
    EXPECT_EQ(NextPIDL(second)->mkid.cb, 0);

    LPITEMIDLIST copy = CopyPIDL(a);
    ASSERT_NE(copy, a);
    EXPECT_EQ(std::memcmp(copy, a, 14), 0);

    // Nothing before: a copy of the second list.
    LPITEMIDLIST joined0 = ConcatPIDLs(nullptr, a);
    EXPECT_EQ(GetPIDLSize(joined0), GetPIDLSize(a));
    EXPECT_EQ(std::memcmp(joined0, a, 14), 0);
    LPITEMIDLIST b = MakeList({1});
    LPITEMIDLIST ab = ConcatPIDLs(a, b);
    EXPECT_EQ(GetPIDLSize(ab), 5 + 7 + 3 + 2);
    EXPECT_EQ(std::memcmp(ab, a, 12), 0);
    EXPECT_EQ(std::memcmp(reinterpret_cast<BYTE*>(ab) + 12, b, 3), 0);
    EXPECT_EQ(reinterpret_cast<BYTE*>(ab)[15], 0);
    EXPECT_EQ(reinterpret_cast<BYTE*>(ab)[16], 0);
    // Nothing after: a copy of the first.
    LPITEMIDLIST a0 = ConcatPIDLs(a, nullptr);
    EXPECT_EQ(GetPIDLSize(a0), GetPIDLSize(a));
    // A joined empty list adds nothing.
    LPITEMIDLIST ae = ConcatPIDLs(a, empty);
    EXPECT_EQ(GetPIDLSize(ae), GetPIDLSize(a));
    // A zero-filled new list ends at once.
    LPITEMIDLIST z = CreatePIDL(40);
    EXPECT_EQ(GetPIDLSize(z), 2);
    for (LPITEMIDLIST p : {empty, a, copy, joined0, b, ab, a0, ae, z}) DisposePIDL(p);
    DisposePIDL(nullptr);   // harmless
}

TEST(ShellFolder, DesktopChildrenKnowTheirFullListAndDepth)
{
    ASSERT_NE(DesktopFolder, nullptr);
    EXPECT_EQ(DesktopFolder->Level(), 0);
    EXPECT_EQ(DesktopFolder->Parent(), nullptr);
    ASSERT_NE(DesktopFolder->ShellFolder(), nullptr);
    LPITEMIDLIST desk = DesktopPIDL();
    ASSERT_NE(desk, nullptr);
    EXPECT_EQ(GetPIDLSize(DesktopFolder->AbsoluteID()), GetPIDLSize(desk));

    // The first item of the desktop, as a child folder object, and a grandchild under it.
    IShellFolder* root = DesktopShellFolder();
    IEnumIDList* items = nullptr;
    ASSERT_TRUE(SUCCEEDED(root->EnumObjects(nullptr, SHCONTF_FOLDERS, &items)) && items);
    LPITEMIDLIST first = nullptr;
    ULONG got = 0;
    ASSERT_EQ(items->Next(1, &first, &got), S_OK);
    items->Release();
    IShellFolder* sub = nullptr;
    root->BindToObject(first, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&sub));
    {
        TkvShellFolder child(DesktopFolder, first, sub);
        EXPECT_EQ(child.Level(), 1);
        EXPECT_NE(child.RelativeID(), first);   // a copy of its own
        EXPECT_EQ(GetPIDLSize(child.RelativeID()), GetPIDLSize(first));
        EXPECT_EQ(GetPIDLSize(child.AbsoluteID()), GetPIDLSize(desk) - 2 + GetPIDLSize(first));
        EXPECT_FALSE(child.DisplayName().empty());
        LPITEMIDLIST tail = CreatePIDL(6);
        *reinterpret_cast<USHORT*>(tail) = 4;
        TkvShellFolder grand(&child, tail, nullptr);
        EXPECT_EQ(grand.Level(), 2);
        EXPECT_EQ(GetPIDLSize(grand.AbsoluteID()), GetPIDLSize(child.AbsoluteID()) + 4);
        DisposePIDL(tail);
        // Without a parent the item hangs below the desktop.
        TkvShellFolder orphan(nullptr, first, nullptr);
        EXPECT_EQ(orphan.Level(), 0);
        EXPECT_EQ(GetPIDLSize(orphan.AbsoluteID()), GetPIDLSize(child.AbsoluteID()));
        orphan.Details().Add(L"x");
        EXPECT_EQ(orphan.Details().Count(), 1);
    }
    if (sub) sub->Release();
    CoTaskMemFree(first);
    root->Release();
    DisposePIDL(desk);
}

TEST(ShellFolder, SmallIconListIsSharedAndSurvivesShutDown)
{
    ASSERT_NE(ShellSmallImages, nullptr);
    EXPECT_TRUE(ShellSmallImages->ShareImages());
    ASSERT_TRUE(ShellSmallImages->HandleAllocated());
    HIMAGELIST system = ShellSmallImages->Handle();
    int w = 0, h = 0;
    ImageList_GetIconSize(system, &w, &h);
    EXPECT_EQ(ShellSmallImages->Width(), w);
    EXPECT_EQ(w, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(ImageList_GetBkColor(system), CLR_NONE);
    // The system's list outlives the wrapper: shutting the library down leaves it usable.
    DoneSkinLibrary();
    EXPECT_EQ(ShellSmallImages, nullptr);
    EXPECT_EQ(DesktopFolder, nullptr);
    SHFILEINFOW info{};
    auto again = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    EXPECT_EQ(again, system);
    int w2 = 0, h2 = 0;
    EXPECT_TRUE(ImageList_GetIconSize(again, &w2, &h2));
    InitSkinLibrary();
    ASSERT_NE(ShellSmallImages, nullptr);
    ASSERT_NE(DesktopFolder, nullptr);
}

TEST(ShellFolder, FailingCallsRaise)
{
    EXPECT_NO_THROW(OleCheck(S_OK));
    try {
        OleCheck(E_INVALIDARG);
        FAIL() << "no exception";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.ErrorCode(), E_INVALIDARG);
        EXPECT_FALSE(e.Message().empty());
    }
}

}  // namespace
