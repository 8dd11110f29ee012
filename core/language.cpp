#include "core/language.h"

#include "core/regular_file.h"

namespace vandrel {

namespace {

// The shipped file is some 44 KB; anything much larger is not a language file.
constexpr size_t kMaxLanguageFileBytes = size_t{16} << 20;

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// A value wrapped in a pair of matching quotes loses them, as with the Windows profile functions:
// the only way to keep leading or trailing blanks (the catalogue name " Crystallize (2D)").
std::string_view Unquote(std::string_view s) {
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) {
        s.remove_prefix(1);
        s.remove_suffix(1);
    }
    return s;
}

TLanguageFile& Global() {
    static TLanguageFile file;
    return file;
}

}  // namespace

bool TLanguageFile::Load(const std::filesystem::path& path) {
    sections_.clear();
    std::string text;
    if (!ReadRegularFile(path, kMaxLanguageFileBytes, text)) return false;
    Parse(text);
    return true;
}

void TLanguageFile::Parse(std::string_view text) {
    Section* current = nullptr;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            if (close == std::string_view::npos) {
                current = nullptr;  // a broken header hides its keys rather than misfiling them
                continue;
            }
            current = &sections_[Lower(Trim(line.substr(1, close - 1)))];
            continue;
        }
        const size_t eq = line.find('=');
        if (current == nullptr || eq == std::string_view::npos) continue;
        std::string key = Lower(Trim(line.substr(0, eq)));
        if (key.empty()) continue;
        // The first occurrence of a key wins, as with the Windows profile functions.
        current->try_emplace(std::move(key), Unquote(Trim(line.substr(eq + 1))));
    }
}

std::string TLanguageFile::Get(std::string_view section, std::string_view key,
                               std::string_view fallback) const {
    const auto s = sections_.find(Lower(section));
    if (s == sections_.end()) return std::string(fallback);
    const auto k = s->second.find(Lower(key));
    if (k == s->second.end()) return std::string(fallback);
    return k->second;
}

bool TLanguageFile::Has(std::string_view section, std::string_view key) const {
    const auto s = sections_.find(Lower(section));
    return s != sections_.end() && s->second.count(Lower(key)) != 0;
}

const TLanguageFile& Language() { return Global(); }

bool LoadLanguage(const std::filesystem::path& path) { return Global().Load(path); }

void ParseLanguage(std::string_view text) {
    Global().Clear();
    Global().Parse(text);
}

void ResetLanguage() { Global().Clear(); }

}  // namespace vandrel
