// TsSkinProvider: the component that skins one whole form. It takes over the
// form's WindowProc (FormWindowProc, FormWindowProc.cpp), answers the form's
// non-client hit tests from the skin's frame, shapes the window region, snaps
// the form to the screen's edges, drags a frame instead of live sizing in the
// border-drag mode, and fills the provider seam the manager and the
// animations call through.
//
// Painting the frame, the title and its buttons lives with the non-client
// painter (FramePaint.h): the provider's window procedure hands it
// WM_NCPAINT, WM_NCACTIVATE, WM_PRINT and the title's hot and pressed
// elements; WS_SYSMENU is off while the provider draws the non-client area so
// the system draws no caption buttons of its own.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "classlib/HintWindow.h"
#include "classlib/Subclass.h"
#include "skin/core/CommonData.h"
#include "skin/core/ProviderSeam.h"
#include "skin/forms/FrameGeometry.h"
#include "skin/forms/TitleButtons.h"

class TsSkinManager;
class TsSkinProvider;
class TkvBorderForm;
class TsSystemMenu;
class TMenuItem;
class TkvSysSubMenu;
// Frees the provider's SysSubMenu (SystemMenu.cpp).
struct TkvSysSubMenuDelete {
    void operator()(TkvSysSubMenu* p) const;
};
class TsFramePainter;
// Frees the provider's non-client painter (FramePaint.cpp).
struct TsFramePainterDelete {
    void operator()(TsFramePainter* p) const;
};

enum class TsGripMode { gmNone, gmRightBottom };
enum class TsResizeMode { rmStandard, rmBorder };

// A set of flags of one enumeration. The provider's own state and the skin
// data's state are two such sets of two types, so a bit of one can never be
// tested in the other.
template <class E>
class TsFlagSet {
public:
    bool Has(E e) const { return (bits_ & uint32_t(e)) != 0; }
    void Set(E e, bool on = true) { bits_ = on ? bits_ | uint32_t(e) : bits_ & ~uint32_t(e); }
    void Clear(E e) { Set(e, false); }
    uint32_t Bits() const { return bits_; }

private:
    uint32_t bits_ = 0;
};

// The provider's state bits.
enum class TsProviderBit : uint32_t {
    Animating = 0x1,          // a minimise or restore animation owns the form's picture
    AnimationRunning = 0x80,
    MinimizeRunning = 0x100,
    HideSnapshot = 0x200,     // the picture for hiding is taken
    Restoring = 0x400,
    SnapshotTaking = 0x800,   // a picture for the task bar is being taken
    StretchedHeight = 0x2000, // stretched to the work area's height (a double click on a sizing edge)
    StretchedWidth = 0x4000,  // stretched to the work area's width
    InNcActivate = 0x8000,
    ScrollUpdate = 0x20000,   // the scroll wrapper is being updated
};

// A menu change that arrived while the form's skin data was inside an update;
// replayed when the update ends (a bit of TsCommonData::SkinState).
constexpr uint16_t ssMenuChangePending = 0x400;

// A caption button's glyph as the skin gives it.
struct TsCaptionButtonData {
    int MaskIndex = -1;
    int HitCode = 0;
    bool Big = true;
};

// ---- seams to the control wrappers

// The scroll wrapper of an AutoScroll form. The control wrappers make it
// (FormScrollWrapperFactory); without them the provider makes none. The
// provider frees it before it lets go of the form's WindowProc (the wrapper
// hooked after it), and never while a message is on the form's stack.
class TsFormScrollWrapper {
public:
    virtual ~TsFormScrollWrapper() = default;
    virtual void Update() {}
};
extern std::function<TsFormScrollWrapper*(TsSkinProvider& provider)> FormScrollWrapperFactory;

// Asked before the control adapter adapts a control of the form: clear
// canBeAdded to leave it plain, or name the section it takes (empty: the
// wrapper's own).
using TsSkinItemEvent = std::function<void(TControl* control, bool& canBeAdded, String& skinSection)>;

// The control adapter's entry for one control added at run time (5.102
// builds the adapter); without it nothing is wrapped.
extern std::function<void(TsSkinProvider& provider, TControl* control)> AdapterAddItem;
// The menu bar of a top-level window; none for a child window (whose GetMenu is its id).
HMENU FormMenuBar(HWND wnd);
// The adapter looks at the form's controls again (control nil: the whole form).
extern std::function<void(TsSkinProvider& provider, TControl* control)> AdapterRescan;

// The maximised MDI child's buttons on an MDI main form's menu line: the MDI
// unit sets MDIButtons and their rectangles in a hit test's input, and acts
// on a click released over one (HTMDICLOSE, HTMDIRESTORE, HTMDIMIN).
extern std::function<void(TsSkinProvider& provider, TsHitInput& in)> MDIButtonsHitInput;
extern std::function<void(TsSkinProvider& provider, int hitCode)> MDIButtonClick;

// How the window's system menu is opened: TrackPopupMenu with TPM_RETURNCMD by
// default; the chosen command (0: none). Tests may watch it.
using TTrackSystemMenuFn = UINT (*)(HMENU menu, HWND owner, int x, int y);
extern TTrackSystemMenuFn TrackSystemMenuFn;

// ---- the link with the external skin editor
// Set from the command line at the first provider: "/kvpreview" as the first parameter.
extern bool PreviewMode;
// The one form announced to the editor (nil: none yet).
extern HWND EditorLinkForm;
// How the editor is found and told; tests replace them.
struct TsEditorLink {
    std::function<HWND()> Find;                              // the editor's window, nil: none
    std::function<LRESULT(HWND editor, HWND form)> Announce; // its answer (1: taken)
};
TsEditorLink& EditorLink();
// Announces form to the editor: only in preview mode, once per run, only for
// the main form (or any form while there is none). Returns the tries made.
int AnnounceToEditor(HWND form, bool isMainForm);

// Set from WM_QUERYENDSESSION until the session really ends; cleared again
// when the end of the session is cancelled (WM_ENDSESSION with FALSE).
extern bool SessionEnding;

// ---- system animation switched off for a scope (restored on every way out,
// and never written to the user's settings). The system call goes through a
// replaceable pointer (SystemParametersInfoW by default) so tests can watch it.
using TSystemParametersInfoFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT);
extern TSystemParametersInfoFn SystemParametersInfoFn;
class TsSystemAnimationOff {
public:
    TsSystemAnimationOff();
    ~TsSystemAnimationOff();
    TsSystemAnimationOff(const TsSystemAnimationOff&) = delete;
    TsSystemAnimationOff& operator=(const TsSystemAnimationOff&) = delete;

private:
    bool changed_ = false;
    int saved_ = 0;
};

// The texts of the two creation failures.
extern const wchar_t* const ProviderFormsOnlyText;
extern const wchar_t* const ProviderOneInstanceText;

class TsSkinProvider : public TComponent, public TsProviderSeam, public TsSkinDataOwner {
    DECLARE_CLASS(TsSkinProvider, TComponent)
public:
    // The one way to make a provider. The owner must be a form, else EAbort
    // with ProviderFormsOnlyText is raised before anything exists (nothing is
    // left in the owner). A form that already has a provider: one made at run
    // time is freed and the new one takes over; one placed by the program
    // stays, and the new provider is Inactive (it never hooks the form).
    static TsSkinProvider* Create(TComponent* owner);
    // A provider the dialog hook makes for a plain form: initialisation waits
    // for the form's first non-client hit test, non-client paint or showing.
    static TsSkinProvider* CreateAtRunTime(TCustomForm* form);
    ~TsSkinProvider() override;

    // ---- published
    bool AllowAnimation = true;
    bool AllowExtBorders = true;
    bool AllowBlendOnMoving = true;
    bool DrawClientArea = true;
    TsGripMode GripMode = TsGripMode::gmNone;
    bool MakeSkinMenu = false;
    String MenuLineSkin;
    TsResizeMode ResizeMode = TsResizeMode::rmStandard;
    bool ScreenSnap = false;
    int SnapBuffer = 10;
    TAlignment CaptionAlignment() const { return captionAlignment_; }
    void SetCaptionAlignment(TAlignment a);
    bool DrawNonClientArea() const { return drawNonClientArea_; }
    void SetDrawNonClientArea(bool on);
    bool ShowAppIcon() const { return showAppIcon_; }
    void SetShowAppIcon(bool on);
    const String& TitleSkin() const { return titleSkin_; }
    // The title section's own border mask (its top corners shape the frame), -1: none.
    int TitleBorderMask() const;
    void SetTitleSkin(const String& name);
    bool UseGlobalColor() const { return useGlobalColor_; }
    void SetUseGlobalColor(bool on);
    TsCommonData* SkinData() const { return skinData_.get(); }
    // The user's title buttons (a new one is added at the end).
    TsTitleButton& AddTitleButton();
    int TitleButtonCount() const { return titleButtons_.Count(); }
    TsTitleButton& TitleButton(int i) const { return *titleButtons_.Items(i); }
    TsTitleButtons& TitleButtons() { return titleButtons_; }
    // The second text of the title and the title's icon (repaint the frame when changed).
    TkvAddedTitle AddedTitle;
    TsTitleIcon TitleIcon;
    // Asked by the control adapter for each control it is about to adapt.
    TsSkinItemEvent OnSkinItem;
    // Asked first by the border window's hit test with a WM_NCHITTEST record
    // (LParam: the screen point); a Result other than 0 is the answer.
    Delegate<void(TMessage&)> OnExtHitTest;

    // ---- state
    TCustomForm* FormOf() const { return form_; }
    bool Inactive() const { return inactive_; }
    bool CreatedAtRunTime() const { return createdAtRunTime_; }
    bool Skinned() const;
    TsSkinManager* Manager() const;
    TsFlagSet<TsProviderBit>& State() { return state_; }

    // ---- lifecycle (see the .cpp)
    void InitSkin();
    // The deferred initialisation of a provider made at run time.
    void InitDeferred();
    // At run time and while skinned: the control adapter, made when missing,
    // scans the whole form (nothing when one exists).
    void CreateControlAdapter();
    // Removes WS_SYSMENU while the provider draws the non-client area (so the
    // system draws no caption buttons), puts it back otherwise.
    void UpdateSysMenuStyle();
    void InitTitleButtons();
    // Repaints the frame at once (background changed, non-client area redrawn).
    void RefreshFormFrame();

    // ---- the window's system menu (SystemMenu.cpp)
    // Opens the window's system menu at the screen point and performs the
    // chosen command: the skinned TsSystemMenu when the manager skins popups,
    // else the real menu with its items enabled for the form's state now.
    // Clears the hot and pressed elements first. False when the form has no
    // system menu.
    virtual bool ShowSystemMenuAt(int x, int y);
    // Below the title icon (16 px higher for an iconic form), in screen coordinates.
    POINT SystemMenuPointBelowIcon() const;
    // The skinned system menu (made on first use; owned by the provider).
    TsSystemMenu* SystemMenu();
    // A popup of the program's merged into the system menu.
    TkvSysSubMenu& SysSubMenu();

    // ---- small questions of the title and the menu line (SystemMenu.cpp)
    bool HasMenuLine() const;
    int ClientOriginX() const;
    int ClientOriginY();
    int TopAreaHeight() const;
    POINT ScreenToWindowPoint(POINT screen) const;
    bool CacheSizeOutdated();
    // Paints one item of the form's menu line into the cache and the window.
    bool DrawMenuLineItem(TMenuItem* item, TOwnerDrawState state);
    int TitleIconWidth() const;
    int TitleIconHeight() const;
    bool HasSystemIcon() const;
    bool ActiveChildMaximized() const;
    // The menu line built again and repainted (once at a time).
    bool RefreshMainMenu();
    bool ShowsTitleIcon() const;

    // ---- component hooks (SystemMenu.cpp)
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    // ---- the client area and the MDI window menu (ClientPaint.cpp)
    // The client's colour: the form section's (its active row while the form
    // is active) while skinned and the form sets no colour of its own (its
    // skin data's CustomColor); otherwise the form's Color.
    TColor FormClientColor() const;
    // The client area into dc: the part of the frame picture under the client
    // (not for an MDI main form, whose client window covers it), or the
    // client colour for a form with its own colour; then the graphic
    // children. forward: the child windows hear that their parent changed.
    void PaintClientBackground(HDC dc, bool forward);
    // WM_PAINT: BeginPaint and EndPaint around PaintClientBackground (only
    // those while an animation runs or the form goes).
    void PaintClient(TMessage& m);
    // An MDI main form's window menu, as it pops up: the system's list of
    // children and an earlier list of ours are taken out; then a separator
    // and one entry per visible child, the active one checked.
    void BuildWindowMenu(HMENU popup);

    // ---- maximised bounds (WM_GETMINMAXINFO): the frame lies outside the work area
    void HandleGetMinMaxInfo(MINMAXINFO& info);

    // ---- the border window of extended borders (BorderForm.cpp)
    // Made or freed by the manager's extended-borders setting and the form's kind.
    void UpdateBorderForm();
    bool WantsBorderForm() const;
    TkvBorderForm* BorderForm() const { return borderForm_.get(); }
    TsBorderSeam* Border() override;
    void FreeBorder() override;
    // ---- form animations (FormAnimations.cpp)
    bool StartMinimizeAnimation();
    bool StartRestoreAnimation();
    void StopFormTimer();
    bool MinimizeAnimating() const;
    // The form fades while it is dragged by its caption (the manager's
    // BlendOnMoving); runs the system's move loop. False when it did not start.
    bool StartBlendOnMoving();
    void EndBlendOnMoving();
    // The picture the border window shows while the form is dragged (nil: none).
    TBitmap* MovePicture();
    bool MinimizeAnimated() override;
    bool RestoreAnimated() override;
    bool SendIconicThumbnail(int width, int height) override;
    bool SendIconicLivePreview() override;
    // A 32-bit picture of the whole form (frame picture size), alpha 255
    // everywhere without a border window; the caller owns it.
    std::unique_ptr<TBitmap> CreateFormSnapshot(bool freeCache);

    // ---- the title glows (TitleGlow.cpp)
    void RefreshBorderWindow();
    // Frees every caption button's fade (and its window).
    void StopButtonAnimations();
    // Hides every caption button's halo.
    void DropGlows();

    // ---- metrics
    TsFrameFacts Facts() const;
    int FormFrameWidth(bool extended) const;
    int CaptionAreaHeight(bool extended) const;
    int TopFrameWidth() const;
    int MenuLineHeight() const;
    int MenuLineCount();
    void ResetMenuLineCount() { menuLines_ = -1; }
    // The title's layout for the form's size now.
    TsTitleLayout LayoutTitleButtons() const;
    TsCaptionButtons CaptionButtons() const;
    std::vector<TsUserButton> UserButtons() const;

    // ---- hit testing (screen point)
    int HitTestFrame(POINT screen);
    int HotElement() const { return hotElement_; }
    int PressedElement() const { return pressedElement_; }
    void SetHotElement(int code);
    void SetPressedElement(int code) { pressedElement_ = code; }

    // ---- region
    const std::vector<RECT>& RegionCuts() const { return regionCuts_; }
    void BuildRegionCuts();
    HRGN CreateSkinRegion(int x, int y);
    void UpdateRegion(bool redraw);

    // ---- moving and the border-drag mode
    void SnapPosition(WINDOWPOS& pos);
    // The drag in progress (one at a time in the process).
    static bool BorderDragActive();
    static RECT BorderDragFrame();
    void StartBorderDrag(int hitCode, POINT mouse);
    void FollowBorderDrag(POINT mouse);
    // Ends the drag; apply: move the form to the frame.
    void EndBorderDrag(bool apply);
    int RememberedDragCode() const { return dragCode_; }

    // ---- helpers other parts share
    // With enable and layered windows: WS_EX_LAYERED added (true when it was
    // added) and constant alpha set. Otherwise WS_EX_LAYERED removed; a
    // window that was visible stays visible (false).
    static bool SetLayeredAlpha(HWND wnd, bool enable, uint8_t alpha);
    // Under composition: the system does not render the frame while
    // skinDrawsFrame (the non-client rendering policy), else it follows the style.
    static void SetNcRendering(HWND wnd, bool skinDrawsFrame);

    // ---- the window procedure (FormWindowProc.cpp)
    void FormWindowProc(TMessage& m);
    void CallPrevious(TMessage& m) { hook_.CallPrevious(m); }

    // ---- TsProviderSeam
    TCustomForm* Form() override { return form_; }
    HWND Window() override { return wnd_; }
    bool WorksWith(TsSkinManager* m) override;
    bool HasSkinData() override { return skinData_ != nullptr; }
    TBitmap* CacheBitmap() override;
    bool PaintsNonClient() override { return drawNonClientArea_ && Skinned(); }
    HRGN CreateSkinRegion() override { return CreateSkinRegion(0, 0); }
    void UpdateRegion() override { UpdateRegion(true); }
    void SetInAnimation(bool on) override { inAnimation_ = on; }
    bool SnapshotTakenForHiding() override { return state_.Has(TsProviderBit::HideSnapshot); }
    // The frame painted into the cache bitmap (FramePaint.cpp).
    void PaintFrameToCache() override;

    // ---- TsSkinDataOwner
    HWND SkinOwnerWindow() const override { return wnd_; }
    bool SkinOwnerIsProvider() const override { return true; }
    TCustomForm* SkinOwnerForm() const override { return form_; }
    TColor SkinOwnerColor() const override { return form_ ? form_->Color() : clBtnFace; }
    bool SkinOwnerDestroying() const override { return !form_ || form_->Destroying(); }

    // ---- the form's scroll wrapper
    TsFormScrollWrapper* ScrollWrapper() const { return scrollWrapper_; }
    void CreateScrollWrapper();
    // Frees the wrapper once no message is on the form's stack.
    void ReleaseScrollWrapper();

private:
    explicit TsSkinProvider(TCustomForm* form, bool runTime);
    void RestoreFormStyle();

public:
    // ---- the state the window procedure reads and moves (FormWindowProc.cpp,
    // whose handlers are one function per row); other code uses the members above.
    // The form alive and not being destroyed.
    bool FormAlive() const { return form_ && !form_->Destroying() && wnd_ && IsWindow(wnd_); }

    TCustomForm* form_ = nullptr;
    HWND wnd_ = nullptr;
    TWindowProcHook hook_;
    std::unique_ptr<TsCommonData> skinData_;
    TsTitleButtons titleButtons_{this};
    TsFormScrollWrapper* scrollWrapper_ = nullptr;
    TsFlagSet<TsProviderBit> state_;
    bool inactive_ = false;
    bool createdAtRunTime_ = false;   // initialisation still deferred
    bool madeAtRunTime_ = false;      // made by CreateAtRunTime: gives way to a placed provider
    bool initialized_ = false;   // InitSkin ran for the current skin
    bool drawNonClientArea_ = true;
    bool showAppIcon_ = true;
    bool useGlobalColor_ = true;
    TAlignment captionAlignment_ = TAlignment::taLeftJustify;
    String titleSkin_;
    int titleSection_ = -1, captionSection_ = -1;
    TsCaptionButtonData close_, max_, min_, help_;
    int userButtonMask_ = -1;
    std::vector<RECT> regionCuts_;
    int menuLines_ = -1;
    int hotElement_ = kNoElement;
    int pressedElement_ = kNoElement;
    bool formActive_ = true;
    bool regionChanged_ = true;
    bool regionChanging_ = false;
    bool inMenuLoop_ = false;
    bool inAnimation_ = false;
    bool extraHighTitle_ = false;
    bool trackingNcLeave_ = false;
    int dragCode_ = 0;   // HTCAPTION or a sizing code remembered by the hit test (border-drag mode)
    int lockCount_ = 0;
    bool sysMenuShown_ = true;     // biSystemMenu as the frame last showed it
    bool closingFromIcon_ = false; // a double click on the icon closes instead of opening the menu
    bool animating_ = false;       // a show animation is being prepared
    HMENU sysMenu_ = nullptr;      // taken while WS_SYSMENU is still on
    TsSystemMenu* systemMenu_ = nullptr;   // owned as a component
    std::unique_ptr<TkvSysSubMenu, TkvSysSubMenuDelete> sysSubMenu_;
    std::vector<HWND> windowMenuChildren_;   // the children the window menu lists, by command
    // Companions other units make and the provider owns: the control adapter
    // (skin/forms/CtrlAdapter.h) and the MDI main form's client wrapper
    // (skin/forms/MDIForm.h). Freed first when the provider goes, and when the
    // skin is removed.
    std::unique_ptr<TObject> adapter_;
    std::unique_ptr<TObject> mdiForm_;
    std::unique_ptr<TObject> mdiIcons_;   // the cover of the menu line's strip while a menu runs (MDIIcons.h)
    void FreeCompanions()
    {
        mdiIcons_.reset();
        mdiForm_.reset();
        adapter_.reset();
    }
    std::unique_ptr<TkvBorderForm> borderForm_;
    std::unique_ptr<TObject> titleGlows_;   // the caption buttons' fades and halos (TitleGlow.cpp)
    TComponent* formTimer_ = nullptr;   // the one minimise or move timer (FormAnimations.cpp)
    bool hidePlaying_ = false;          // the hide animation is being started
    std::unique_ptr<TBitmap> movePicture_;   // the form's picture while it is dragged
    std::unique_ptr<TsFramePainter, TsFramePainterDelete> painter_;   // FramePainterOf makes it
};

// The provider's published properties, readable and writable by name
// (registered once, by the first provider).
void RegisterSkinProviderProperties();
