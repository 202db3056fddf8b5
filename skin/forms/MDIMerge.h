// An MDI main form shows its active child in its own frame: the child's menu
// is merged into the main form's menu line, and the caption the system gives
// the main window while a child is maximised ("Main - [Child]") is the one the
// frame picture shows.
//
// The system changes the main window's text behind the form's window
// procedure (the MDI frame procedure sets it directly), so the frame picture
// follows the window text whenever the frame is painted, and again after
// every change of the client's children.
//
// Merging: the visible top-level items of the active child's menu (a
// TMainMenu) are copied into the main window's menu line, each before the
// first item of the main menu with a higher GroupIndex (the merged items of
// one group stay in their order), ahead of the maximised child's own buttons
// the system puts at the end. The copies carry the child's command numbers,
// so a click reaches the child's item. Another active child, a child without
// menu, a changed child menu or the main menu built anew merge again; the
// copies go with the merge (and with the MDI form's companion).
#pragma once
#include <windows.h>

#include <vector>

#include "classlib/Forms.h"

class TsSkinProvider;
class TMainMenu;

class TsMDIMerge {
public:
    TsMDIMerge() = default;
    ~TsMDIMerge();
    TsMDIMerge(const TsMDIMerge&) = delete;
    TsMDIMerge& operator=(const TsMDIMerge&) = delete;

    // Brings the main form's menu line and frame picture up to date with its
    // active child; true when something changed (the frame is then marked for
    // painting anew).
    bool Follow(TsSkinProvider& main);
    // Takes the merged items out of the main window's menu line.
    void Unmerge();
    // The child whose menu is merged now (nil: none).
    HWND MergedChild() const { return child_; }

private:
    void Merge(HMENU bar, TMainMenu* menu);
    bool StillMerged() const;

    HWND main_ = nullptr;
    HMENU bar_ = nullptr;
    HWND child_ = nullptr;
    TMainMenu* menu_ = nullptr;
    int menuBuild_ = -1;
    std::vector<UINT> ids_;   // the command numbers of the merged top-level items
    String caption_;          // the window text the frame picture was last asked to show
    bool following_ = false;
};

// The frame of an MDI main form follows its children (nothing for other
// forms or without the MDI companion). Called before the frame is painted.
void FollowMDIChildren(TsSkinProvider& p);
