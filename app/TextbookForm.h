// The textbook window: the chapter tree on the left, the page area with its
// strip of tabs (each tab owns a page view) on the right, the tool bar below,
// and the pop-up lists of presentations and videos.
#pragma once
#include <windows.h>

#include <map>

#include "app/TabPanel.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "classlib/TreeView.h"
#include "classlib/WebBrowser.h"

class TForm2 : public TForm {
    DECLARE_CLASS(TForm2, TForm)
public:
    static constexpr int MaxTabs = 20;
    static constexpr int TabWidth = 100;
    // Posted to the window by a tab's close label: WParam = the tab's Tag at
    // the time of the click, LParam = the tab's serial number.
    static constexpr UINT CM_CLOSETAB = WM_APP + 0x110;

    explicit TForm2(TComponent* owner);

    TTreeView* tv1;      // subjects and chapters
    TPanel* pgc1;        // page area
    TPanel* pnl4;        // tab strip
    TLabel* addpage;     // "+"
    TPanel* pnl1;        // tool bar
    TPanel* btn2;        // "Тесты"
    TPanel* btn3;        // "Видео"
    TPanel* btn4;        // "Презентации"
    TPanel* btn6;        // "Обновить"
    TPanel* Button1;     // "Выход"
    TPanel* pnl2;        // presentation list
    TTreeView* tv2;
    TPanel* pnl6;        // its "x"
    TPanel* pnl3;        // video list
    TTreeView* tv3;
    TPanel* pnl5;        // its "x"

    // Window state.
    String base;                         // program folder + "Content\"
    TmyTabPanel* pages[MaxTabs] = {};    // slot i holds the tab whose Tag is i
    int count = 0;                       // open tabs
    int capacity = 0;                    // min(tab strip width div 100, 20)
    TmyTabPanel* current = nullptr;      // the tab chapter clicks go to

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void tv1Click(TObject* sender);
    void addpageClick(TObject* sender);
    // Adds a tab; returns it, or nullptr when the strip is full.
    TmyTabPanel* NewPage();
    void PClick(TObject* sender);
    void Tabclose(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    // Closes the tab in slot i at once (the posted close and the window's close use it).
    void CloseTab(int i);
    void btn4Click(TObject* sender);
    void btn3Click(TObject* sender);
    void pnl6Click(TObject* sender);
    void pnl5Click(TObject* sender);
    void tv2Click(TObject* sender);
    void tv3Click(TObject* sender);
    void btn6Click(TObject* sender);
    void btn2Click(TObject* sender);
    void Button1Click(TObject* sender);
    void LoadInTree();
    void LoadInSTree();
    void LoadInTTree();

    void Dispatch(TMessage& message) override;

    // The shell call that opens presentations and videos; tests replace it.
    using TShellOpen = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    static TShellOpen ShellOpen;

private:
    void OpenChapter(TmyTabPanel* tab, TTreeNode* node);
    void OpenWithShell(TTreeView* tree, const String& folder);
    void FillTree(TTreeView* tree, const String& innerPattern);
    void PlaceTab(TmyTabPanel* tab, int slot);
    // The full file name behind each listed entry (the tree shows it cut at
    // the first dot).
    std::map<const TTreeNode*, String> fileNames_;
};

// Page filter of the textbook: a chapter file that is really a document
// container is shown as its unpacked text (HTML when it looks like HTML,
// else as preformatted text). Returns whether the bytes were replaced. A
// container above the size bound raises EDocumentTooLarge.
bool UnpackContainerPage(std::string& bytes);
