// The skinned test program: one main form that holds a control of every kind
// the skin manager's class-name lists name, a skin chooser, hue and saturation
// sliders, and buttons that open a message box, an open-file dialog, a popup
// menu, an MDI main form with children and a form of one's own skinned the
// short way (Example.cpp). It is built with the tests and never shipped; the
// skin tests drive the same forms in-process, the screenshot command and the
// soak drive the program.
#pragma once
#include <vector>

#include "classlib/ComBars.h"
#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Frames.h"
#include "classlib/Grids.h"
#include "classlib/ListControls.h"
#include "classlib/Menus.h"
#include "classlib/StdCtrls.h"
#include "classlib/Timer.h"
#include "classlib/TreeView.h"
#include "tests/skinapp/Faults.h"

class TsSkinManager;
class TsSkinProvider;
class TsFrameAdapter;
class TsTitleBar;

// What the command line asks for.
//   --skins DIR     the folder of skins (default: Skins beside the program)
//   --skin NAME     the skin to start with (default Slate; "none" starts unskinned)
//   --hue N         hue offset in degrees (0..359)
//   --sat N         saturation change (-100..100)
//   --show WHAT     main (default), mdi or example: the form shown in front
//   --shot FILE     saves the front form's window area as a 24-bit BMP once the
//                   program has settled, then ends
//   --fault WHAT    plants a fault for the soak's own tests: leak or hang:N (Faults.h)
struct SkinAppOptions {
    String SkinsDir;
    String Skin = L"Slate";
    int Hue = 0;
    int Saturation = 0;
    String Show = L"main";
    String Shot;
    PlantedFault Fault;
};
// False (with the reason in error) on an unknown switch or a bad value.
bool ParseSkinAppOptions(const std::vector<String>& args, SkinAppOptions& options, String& error);

// The skin names the program offers: "none" (no skin) and every skin of the folder.
constexpr const wchar_t* kNoSkin = L"none";
// The skin an item of the program's skin menus chooses (its caption without
// the mnemonic mark).
String SkinOfItem(const TMenuItem* item);

// Classes of our own that the manager's lists of the other packages name, so
// that the wrappers of those lists are seen at work on this form too: a combo
// in the list of lookup combos, a grid in the list of extended grids, a tree
// in the list of virtual trees.
class TSkinAppLookupCombo : public TComboBox {
    DECLARE_CLASS(TSkinAppLookupCombo, TComboBox)
public:
    using TComboBox::TComboBox;
};
class TSkinAppGridEh : public TStringGrid {
    DECLARE_CLASS(TSkinAppGridEh, TStringGrid)
public:
    using TStringGrid::TStringGrid;
};
// The virtual tree of the other package draws itself: its Color behind rows
// of text in its font colour, with the system's scroll bars.
class TSkinAppVirtualTree : public TCustomControl {
    DECLARE_CLASS(TSkinAppVirtualTree, TCustomControl)
public:
    explicit TSkinAppVirtualTree(TComponent* owner);
    std::vector<String> Rows;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    void Paint() override;
};

class TSkinAppMDI;

// The main form: a title bar with a skin button, the manager's provider
// (whose system menu lists the skins as well), a main menu and the controls.
class TSkinAppMain : public TForm {
    DECLARE_CLASS(TSkinAppMain, TForm)
public:
    // Builds the form, its menus and controls, the manager (inactive) and the
    // form's provider; Start names the skins and loads the first one.
    explicit TSkinAppMain(TComponent* owner);
    ~TSkinAppMain() override;
    void Start(const SkinAppOptions& options);

    TsSkinManager* Skins = nullptr;
    TsSkinProvider* Provider = nullptr;
    TsTitleBar* TitleBar = nullptr;
    TMainMenu* MainMenu = nullptr;
    TPopupMenu* Popup = nullptr;
    TComboBox* SkinCombo = nullptr;
    TTrackBar* HueBar = nullptr;
    TTrackBar* SaturationBar = nullptr;
    TButton* MessageButton = nullptr;
    TButton* OpenFileButton = nullptr;
    TButton* PopupButton = nullptr;
    TButton* MDIButton = nullptr;
    TButton* ExampleButton = nullptr;
    TFrame* Frame = nullptr;
    TsFrameAdapter* FrameAdapter = nullptr;
    TStatusBar* Status = nullptr;

    // The controls one of the manager's class-name lists names, each with
    // the index of that list.
    struct Listed {
        TControl* Control;
        int List;
    };
    const std::vector<Listed>& ListedControls() const { return listed_; }

    // The skins offered: kNoSkin first, then the folder's, sorted.
    std::vector<String> SkinNames() const;
    // Switches to a skin of the folder, or takes the skin away (kNoSkin).
    void ChooseSkin(const String& name);
    String ChosenSkin() const;
    // Recolours the skin (the sliders follow).
    void SetHue(int degrees);
    void SetSaturation(int change);

    // The MDI main form, made on first use; the example form likewise.
    TSkinAppMDI* ShowMDIForm();
    TForm* ShowExampleForm();
    TForm* ExampleForm() const { return example_; }

    // Saves the window area of form (as the screen shows it) as a 24-bit BMP.
    static bool SaveWindowShot(TCustomForm* form, const String& file);

protected:
    void HandleCreated() override;

private:
    void BuildMenus();
    void BuildControls();
    void BuildTitleBar();
    void BuildSkinPanel(TWinControl* parent, int x, int y);
    void FillSkinChoices();
    void Place(TControl* c, TWinControl* parent, int x, int y, int w, int h, int list = -1);
    void SkinComboChange(TObject*);
    void SliderChange(TObject*);
    void RecolourTimer(TObject*);
    void SkinAfterChange(TObject*);
    void MessageClick(TObject*);
    void OpenFileClick(TObject*);
    void PopupClick(TObject*);
    void MDIClick(TObject*);
    void ExampleClick(TObject*);
    void SkinMenuClick(TObject* sender);
    void ExitClick(TObject*);
    void UpdateStatus();

    SkinAppOptions options_;
    std::vector<Listed> listed_;
    TTimer* recolour_ = nullptr;
    TMenuItem* skinMenu_ = nullptr;
    TPopupMenu* skinsPopup_ = nullptr;   // the title bar's skin button
    TSkinAppMDI* mdi_ = nullptr;
    TForm* example_ = nullptr;
    bool syncing_ = false;   // the chooser and sliders follow the manager, not the other way
};

// The second form: an MDI main form with a "Window" menu and children.
class TSkinAppMDI : public TForm {
    DECLARE_CLASS(TSkinAppMDI, TForm)
public:
    explicit TSkinAppMDI(TComponent* owner);
    TsSkinProvider* Provider = nullptr;
    TForm* NewChild();
    int ChildrenMade() const { return made_; }

protected:
    void HandleCreated() override;

private:
    void NewClick(TObject*);
    void ChildClose(TObject*, TCloseAction& action);   // a closed child is freed
    void TileClick(TObject*);
    void CascadeClick(TObject*);
    TMainMenu* menu_ = nullptr;
    int made_ = 0;
};

// Gives a form of the program the program's own icon (its MAINICON resource,
// tests/skinapp/skinapp.ico), small for the title and big for the task bar.
void GiveProgramIcon(TCustomForm* form);

// The program: parses the command line, starts the libraries, shows the main
// form (printing its window class to the standard output), runs, ends.
int RunSkinApp(const std::vector<String>& args);
