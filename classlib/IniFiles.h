// Ini files held in memory: sections of "key=value" lines read from text or a
// file, looked up without regard to case, changed in memory and written back
// on request.
#pragma once
#include <vector>

#include "classlib/Classes.h"

class TMemIniFile : public TObject {
    DECLARE_CLASS(TMemIniFile, TObject)
public:
    // Reads the file when it exists (ANSI text); an empty name starts empty.
    explicit TMemIniFile(const String& fileName = String());

    const String& FileName() const { return fileName_; }
    void Rename(const String& fileName, bool reload);

    // Replaces the contents with the lines of an ini text. Lines are trimmed;
    // "[name]" opens a section (name trimmed); empty lines and lines before the
    // first section are dropped; comment lines (";") stay in their section.
    void SetStrings(const TStrings& lines);
    void SetText(const String& text);
    // The contents as ini text, sections separated by an empty line.
    void GetStrings(TStrings& lines) const;
    String Text() const;
    void Clear() { sections_.clear(); }

    bool SectionExists(const String& section) const;
    bool ValueExists(const String& section, const String& ident) const;
    String ReadString(const String& section, const String& ident, const String& def) const;
    // Decimal, "$" or "0x" hexadecimal; anything else gives the default.
    int32_t ReadInteger(const String& section, const String& ident, int32_t def) const;
    bool ReadBool(const String& section, const String& ident, bool def) const;
    // "." or "," as decimal separator, whatever the locale.
    double ReadFloat(const String& section, const String& ident, double def) const;

    void WriteString(const String& section, const String& ident, const String& value);
    void WriteInteger(const String& section, const String& ident, int32_t value);
    void WriteBool(const String& section, const String& ident, bool value);

    void ReadSections(TStrings& names) const;
    void ReadSection(const String& section, TStrings& idents) const;         // the keys
    void ReadSectionValues(const String& section, TStrings& lines) const;    // the "key=value" lines
    void EraseSection(const String& section);
    void DeleteKey(const String& section, const String& ident);
    // Writes the contents to FileName (EFCreateError when it cannot be written).
    void UpdateFile() const;

private:
    struct Section {
        String name;
        std::vector<String> lines;
    };
    const Section* Find(const String& name) const;
    Section* Find(const String& name);
    static int KeyLine(const Section& s, const String& ident);
    void Load();
    String fileName_;
    std::vector<Section> sections_;
};
