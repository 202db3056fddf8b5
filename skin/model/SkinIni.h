// The options text of a skin held in memory: sections and keys in file order,
// names compared case-sensitively. Lines are trimmed; empty lines and lines
// starting with ';' are skipped; "[name]" opens a section; "key=value" adds a
// key (the first of two equal keys wins; a section named twice is one section).
// Lookups are hashed, so reading every key of every section with inheritance
// stays linear in the file size.
#pragma once
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class SkinIni {
public:
    SkinIni() = default;
    explicit SkinIni(std::string_view text) { SetText(text); }
    void SetText(std::string_view text);
    void Clear();

    bool SectionExists(const std::string& section) const;
    // Sections in file order.
    const std::vector<std::string>& Sections() const { return order_; }
    // Keys of one section in file order (empty when there is no such section).
    std::vector<std::string> Keys(const std::string& section) const;
    const std::vector<std::pair<std::string, std::string>>* Entries(const std::string& section) const;

    bool HasKey(const std::string& section, const std::string& key) const;
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // Decimal or "$" hexadecimal (32-bit, wrapping as a colour value does);
    // anything else gives def.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;

    // The number rules of ReadInteger; false for anything that is not one.
    static bool ParseInt(std::string_view text, int& out);

private:
    struct Section {
        std::vector<std::pair<std::string, std::string>> entries;
        std::unordered_map<std::string, size_t> index;
    };
    const Section* Find(const std::string& section) const;
    std::vector<std::string> order_;
    std::unordered_map<std::string, Section> sections_;
};
