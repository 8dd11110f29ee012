// The language file "Vandrel.lng": an INI file with one section per component type id.
//
// It is read once when the plug-in starts and kept; every component text (titles, property names,
// hints, enumeration items, part letters) is looked up in it. A missing file, section or key is
// never an error: the caller's default is returned. Sections and keys compare without regard to
// case, as Windows profile files do; values are trimmed of surrounding blanks.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace vandrel {

inline constexpr std::string_view kLanguageFileName = "Vandrel.lng";

class TLanguageFile {
  public:
    // Replaces the contents with the file's; false (and empty) when it cannot be read.
    bool Load(const std::filesystem::path& path);
    void Parse(std::string_view text);
    void Clear() { sections_.clear(); }

    std::string Get(std::string_view section, std::string_view key,
                    std::string_view fallback) const;
    bool Has(std::string_view section, std::string_view key) const;

  private:
    using Section = std::map<std::string, std::string>;
    std::map<std::string, Section> sections_;
};

// The plug-in's one language file. Loaded at start-up, before any rendering thread runs; read-only
// afterwards, so concurrent readers need no lock.
const TLanguageFile& Language();
bool LoadLanguage(const std::filesystem::path& path);
void ParseLanguage(std::string_view text);
void ResetLanguage();  // back to "no file": every lookup gives its default

}  // namespace vandrel
