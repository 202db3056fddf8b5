// Owners of GDI objects, device contexts and windows, and the scopes that put a
// device context back as it was (paint, saved state, selection).
//
// Ownership: a UniqueHandle frees what it holds when it goes out of scope or is
// reset; Release() hands the handle on and the owner forgets it. The scopes own
// nothing: they undo one change on every path out, exceptions included.
//
// Counting: under Wine GetGuiResources answers 0, so a leak cannot be seen from
// outside. Builds with TALVERA_COUNT_HANDLES (the test builds) count every
// handle these owners take and free in a process-wide counter that tests and the
// soak read through LiveHandles(); other builds compile the counting away.
#pragma once
#include <windows.h>

#include <utility>

enum class THandleKind { hkGdiObject, hkDC, hkWindow };

#if TALVERA_COUNT_HANDLES
constexpr bool kHandlesCounted = true;
void CountHandleTaken(THandleKind kind);
void CountHandleFreed(THandleKind kind);
// Handles of the kind taken by an owner of this process and not yet freed or released.
long LiveHandles(THandleKind kind);
#else
constexpr bool kHandlesCounted = false;
inline void CountHandleTaken(THandleKind) {}
inline void CountHandleFreed(THandleKind) {}
inline long LiveHandles(THandleKind) { return 0; }
#endif

// The handle freed by Traits::Free, counted as Traits::kKind. Moves, never copies.
template <class H, class Traits>
class UniqueHandle {
    static constexpr THandleKind Kind = Traits::kKind;

public:
    UniqueHandle() = default;
    explicit UniqueHandle(H h) : h_(h) { if (h_) CountHandleTaken(Kind); }
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept
    {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    H get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void reset(H h = nullptr)
    {
        if (h_ == h) return;
        if (h_) {
            Traits::Free(h_);
            CountHandleFreed(Kind);
        }
        h_ = h;
        if (h_) CountHandleTaken(Kind);
    }
    // The caller (or the system) owns the handle from now on.
    [[nodiscard]] H release()
    {
        if (h_) CountHandleFreed(Kind);
        return std::exchange(h_, nullptr);
    }

private:
    H h_ = nullptr;
};

struct GdiObjectTraits {
    static constexpr THandleKind kKind = THandleKind::hkGdiObject;
    static void Free(HGDIOBJ h) { DeleteObject(h); }
};
struct MemoryDCTraits {
    static constexpr THandleKind kKind = THandleKind::hkDC;
    static void Free(HDC h) { DeleteDC(h); }
};
struct WindowTraits {
    static constexpr THandleKind kKind = THandleKind::hkWindow;
    static void Free(HWND h) { DestroyWindow(h); }
};

template <class H>
using GdiObject = UniqueHandle<H, GdiObjectTraits>;
using BitmapHandle = GdiObject<HBITMAP>;
using BrushHandle = GdiObject<HBRUSH>;
using PenHandle = GdiObject<HPEN>;
using FontHandle = GdiObject<HFONT>;
using RegionHandle = GdiObject<HRGN>;
using PaletteHandle = GdiObject<HPALETTE>;
// A device context made by CreateCompatibleDC (or CreateDC).
using MemoryDC = UniqueHandle<HDC, MemoryDCTraits>;
// A window destroyed with its owner (a helper window of the library's own).
using WindowHandle = UniqueHandle<HWND, WindowTraits>;

// A memory device context compatible with dc (the screen when dc is 0).
inline MemoryDC CreateMemoryDC(HDC dc = nullptr) { return MemoryDC(CreateCompatibleDC(dc)); }

// A window's device context from GetDC (or GetWindowDC), given back with ReleaseDC.
class WindowDC {
public:
    enum TArea { waClient, waWhole };
    explicit WindowDC(HWND wnd, TArea area = waClient)
        : wnd_(wnd), dc_(area == waWhole ? GetWindowDC(wnd) : GetDC(wnd))
    {
        if (dc_) CountHandleTaken(THandleKind::hkDC);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC()
    {
        if (dc_) {
            ReleaseDC(wnd_, dc_);
            CountHandleFreed(THandleKind::hkDC);
        }
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND wnd_;
    HDC dc_;
};

// BeginPaint ... EndPaint. The window is validated even when painting throws,
// so a failing paint is not asked for again and again.
class PaintScope {
public:
    explicit PaintScope(HWND wnd) : wnd_(wnd), dc_(BeginPaint(wnd, &ps_))
    {
        if (dc_) CountHandleTaken(THandleKind::hkDC);
    }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope()
    {
        EndPaint(wnd_, &ps_);
        if (dc_) CountHandleFreed(THandleKind::hkDC);
    }
    HDC get() const { return dc_; }
    const PAINTSTRUCT& Info() const { return ps_; }
    const RECT& PaintRect() const { return ps_.rcPaint; }

private:
    HWND wnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// SaveDC ... RestoreDC: clipping, origins, modes and selections come back.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : dc_(dc), id_(SaveDC(dc)) {}
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;
    ~SavedDC()
    {
        if (id_) RestoreDC(dc_, id_);
    }

private:
    HDC dc_;
    int id_;
};

// SelectObject ... and the previous object selected back.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;
    ~SelectScope()
    {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// GetIconInfo: the colour and mask bitmaps it makes belong to the caller.
class IconBitmaps {
public:
    explicit IconBitmaps(HICON icon) : ok_(icon && GetIconInfo(icon, &info_))
    {
        if (!ok_) info_ = ICONINFO{};
        color_.reset(info_.hbmColor);
        mask_.reset(info_.hbmMask);
    }
    explicit operator bool() const { return ok_; }
    const ICONINFO& Info() const { return info_; }
    HBITMAP Color() const { return color_.get(); }   // 0 for a monochrome icon
    HBITMAP Mask() const { return mask_.get(); }

private:
    ICONINFO info_{};
    bool ok_;
    BitmapHandle color_, mask_;
};
