// Wrappers of tree views: the system's tree view (also under the class
// library's TTreeView) and the virtual tree of another component package.
//
// Classes in this file:
// - TkvTreeViewWnd: fills the tree's background in the skin's colour (unless
//   the owner draws it itself through OnAdvancedCustomDraw) and gives the
//   control the skin's background and text colours.
// - TkvVirtualTreeViewWnd: reaches the other package's tree only through its
//   published properties and two of its events, by name: it gives the tree the
//   skin's colours and paints its column header from the skin.
//
// The header contract. The virtual tree calls its "OnAdvancedHeaderDraw"
// event with the header object, a pointer to its paint record with that
// record's size, and the set of elements to draw; and "OnHeaderDrawQueryElements"
// to ask which elements the handler draws. The record belongs to the other
// package; the painter reads it only at the offsets of HeaderRecord, by
// copying bytes out of the range it was given, never through a struct
// overlaid on it. With pointers of 4 bytes the offsets are 0 canvas, 4
// column, 8 paint rectangle, 24 text rectangle, 40 hot, 41 pressed, 44 sort
// glyph shown, 55 sort glyph x (unaligned); wider pointers move everything
// after the first two fields by the extra width.
#pragma once
#include <windows.h>

#include <cstddef>
#include <any>
#include <cstdint>
#include <functional>

#include "skin/controls/GridWnd.h"

using TkvHeaderDrawEvent =
    Delegate<void(TObject* header, const void* paintInfo, size_t paintInfoSize, uint8_t elements)>;
using TkvHeaderQueryEvent =
    Delegate<void(TObject* header, const void* paintInfo, size_t paintInfoSize, uint8_t& elements)>;

namespace HeaderRecord {
constexpr size_t Ptr = sizeof(void*);
constexpr size_t Canvas = 0;                 // TCanvas*
constexpr size_t Column = Ptr;               // TObject*, nil for the strip right of the last column
constexpr size_t PaintRect = 2 * Ptr;        // four int32
constexpr size_t TextRect = 2 * Ptr + 16;    // four int32
constexpr size_t Hot = 2 * Ptr + 32;         // byte
constexpr size_t Pressed = 2 * Ptr + 33;     // byte
constexpr size_t SortShown = 2 * Ptr + 36;   // byte
constexpr size_t SortGlyphX = 2 * Ptr + 47;  // int32, unaligned, canvas coordinates as the paint rectangle
constexpr size_t Size = SortGlyphX + 4;      // the least a record must hold
}  // namespace HeaderRecord

// Element bits of the header painter.
enum : uint8_t {
    hpeBackground = 1,
    hpeText = 2,
    hpeSortGlyph = 8,
    hpeOverlayText = 16,
};

class TkvTreeViewWnd : public TkvEditWnd {
    DECLARE_CLASS(TkvTreeViewWnd, TkvEditWnd)
public:
    TkvTreeViewWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                   bool repaint = false);
    void RestoreOwnColors() override;
    void ApplySkinColors() override;
    void WndProc(TMessage& message) override;

private:
    // Focused or under the mouse, with a section of more than one state.
    bool Hot() const;
    // The background and text colours the tree gets now.
    TColor TreeColor() const;
    TColor TreeFontColor() const;
    bool OwnerDrawsItself() const;
    void FillBackground(TMessage& message);
};

class TkvVirtualTreeViewWnd : public TkvEditWnd {
    DECLARE_CLASS(TkvVirtualTreeViewWnd, TkvEditWnd)
public:
    TkvVirtualTreeViewWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                          const String& skinSection, bool repaint = false);
    ~TkvVirtualTreeViewWnd() override;
    void SaveOwnColors() override;
    void RestoreOwnColors() override;
    void ApplySkinColors() override;
    void WndProc(TMessage& message) override;

    // The handlers given to the tree's header events.
    void HeaderDraw(TObject* header, const void* paintInfo, size_t paintInfoSize, uint8_t elements);
    void HeaderQueryElements(TObject* header, const void* paintInfo, size_t paintInfoSize, uint8_t& elements);

    TkvSavedProps SavedProps;

private:
    // Puts a handler into an empty event of the tree (by name) and registers
    // its removal; holds tells whether the event still holds it.
    void InstallHeaderHandler(const wchar_t* name, std::any handler, std::function<bool(TControl*)> holds);
    // The saved colours and the header's options back.
    void RestoreTreeProps();
    void PaintFrame();
    void Print(TMessage& message);
    bool addedOwnerDraw_ = false;   // "Header.Options" got hoOwnerDraw from the wrapper
};
