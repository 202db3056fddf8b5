// Short valid paths through a program: what a user who knows it does to reach
// its deeper windows (log in, fill a form, answer a test to its end). Random
// input alone rarely gets there; a share of the soak's events follows one of
// these paths instead, one of those that can start where the program is (the
// first step's window shows, with the control or field it acts on).
#pragma once
#include <string>
#include <vector>

#include "classlib/SysUtils.h"

struct PathStep {
    enum Kind {
        kClick,       // click a control whose text is one of target ('|' separated), one chosen at random
        kFill,        // type into the index-th edit field (top to bottom): target names what (see below)
        kPick,        // choose a random item of the index-th combo box (top to bottom) with the keyboard
        kAnswerAll,   // as often as the window's list box has items: click one of target at random
        kKey,         // press the key named by target (see KeyByName)
        kMenuPick,    // open a menu with the key named by target, go down 0 .. index-1 items, press Enter
        kAdjust,      // click the index-th control whose class holds target, then a few arrow and page keys
    };
    Kind kind;
    String window;   // class of the top-level window the step acts in; "" the window in front
    String target;
    int index = 0;
};
// What kFill types: "user" and "password" of an account chosen for the path,
// "person" a valid first and last name, "group" a group name, "text" random
// letters and digits.

struct SoakPath {
    std::string name;
    std::vector<PathStep> steps;
};

// The keys a path may name: "Enter", "Escape", "Down", "F10", "Alt+Space",
// "Alt+F4", "Ctrl+F4" and "Alt+" with a letter. False for another name.
bool KeyByName(const String& name, unsigned short& vk, bool& ctrl, bool& alt);

// The paths of a program by name: "textbook", "skinapp"; none for others.
std::vector<SoakPath> BuiltInPaths(const String& set);
