// File open and save dialogs over the system's common dialogs.
#pragma once
#include <functional>

#include "classlib/Component.h"

class TOpenDialog : public TComponent {
    DECLARE_CLASS(TOpenDialog, TComponent)
public:
    explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}

    // "text|pattern|text|pattern..."; several patterns of one entry are
    // separated by ";".
    const String& Filter() const { return filter_; }
    void SetFilter(const String& f) { filter_ = f; }
    // The entry shown first, counted from 1; after Execute the one the user left selected.
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int i) { filterIndex_ = i; }
    // Added to a typed name that has no extension; a leading "." is allowed.
    const String& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const String& e) { defaultExt_ = e; }
    const String& InitialDir() const { return initialDir_; }
    void SetInitialDir(const String& d) { initialDir_ = d; }
    const String& FileName() const { return fileName_; }
    void SetFileName(const String& f) { fileName_ = f; }
    const String& Title() const { return title_; }
    void SetTitle(const String& t) { title_ = t; }

    // Shows the dialog; true when the user confirmed a name (then in FileName),
    // false when cancelled. A dialog that fails throws EOSError.
    virtual bool Execute();
    virtual bool IsSaveDialog() const { return false; }

    // When set, runs in place of the system dialog (for example to answer it
    // from a script); it may change FileName and FilterIndex and returns what
    // Execute returns.
    static std::function<bool(TOpenDialog& dialog)> Runner;

private:
    String filter_, defaultExt_, initialDir_, fileName_, title_;
    int filterIndex_ = 1;
};

class TSaveDialog : public TOpenDialog {
    DECLARE_CLASS(TSaveDialog, TOpenDialog)
public:
    explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}
    bool IsSaveDialog() const override { return true; }
};

// The system's form of a filter: entries separated and ended by NUL, then one
// more NUL. An odd last text (a description without a pattern) is dropped.
String SystemFilter(const String& filter);
