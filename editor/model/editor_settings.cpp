#include "editor/model/editor_settings.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "core/language.h"
#include "core/regular_file.h"
#include "core/whole_file.h"

namespace vandrel {

namespace {

// Larger files are not settings files; they read as missing.
constexpr size_t kMaxSettingsBytes = 1 << 20;

constexpr std::string_view kComponentsValue = "Components";
constexpr std::string_view kEditNewValue = "EditNew";
constexpr std::string_view kSearchValue = "Search";
constexpr std::string_view kSearchHitsValue = "SearchHits";
constexpr std::string_view kLastTextureValue = "LastTexture";

std::string FolderText(const std::filesystem::path& folder) {
    std::string text = folder.string();
    if (text.empty() || text.back() != kFolderSeparator) text += kFolderSeparator;
    return text;
}

bool Storable(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Section and value names compare without regard to case, as the reader does.
bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool FolderExists(const std::string& folder) {
    if (folder.empty() || !Storable(folder)) return false;
    std::error_code error;
    return std::filesystem::is_directory(folder, error);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// 20 bytes in 40 hex digits, least significant byte of each count first; anything else is damaged.
bool ParseHits(std::string_view text, std::array<uint32_t, kRecentFolderCount>& counts) {
    if (text.size() != 8 * kRecentFolderCount) return false;
    std::array<uint32_t, kRecentFolderCount> parsed{};
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return false;
        const size_t byte = i / 2;
        parsed[byte / 4] |= static_cast<uint32_t>(high * 16 + low) << (8 * (byte % 4));
    }
    for (uint32_t& c : parsed) c = std::min(c, kRecentCountLimit);
    counts = parsed;
    return true;
}

std::string HitsText(const std::array<uint32_t, kRecentFolderCount>& counts) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const uint32_t c : counts) {
        for (int byte = 0; byte < 4; ++byte) {
            const uint32_t b = (c >> (8 * byte)) & 0xFF;
            text += kDigits[b >> 4];
            text += kDigits[b & 0xF];
        }
    }
    return text;
}

// One "Name=value" line per value, in the order written; a string that cannot be stored has none.
std::vector<std::pair<std::string_view, std::string>> ValueLines(const TEditorSettings& settings) {
    std::vector<std::pair<std::string_view, std::string>> lines;
    const auto string = [&](std::string_view name, std::string_view value) {
        if (Storable(value))
            lines.emplace_back(name, std::string(name) + "=\"" + std::string(value) + '"');
    };
    for (int t = 0; t < kOutputTypeCount; ++t) {
        string(OutputTypeName(t), settings.ShaderFolders[static_cast<size_t>(t)]);
    }
    string(kComponentsValue, settings.ComponentsFolder);
    lines.emplace_back(kEditNewValue,
                       std::string(kEditNewValue) + (settings.EditNew ? "=1" : "=0"));
    string(kSearchValue, settings.Search.Text());
    lines.emplace_back(kSearchHitsValue,
                       std::string(kSearchHitsValue) + '=' + HitsText(settings.Search.counts));
    string(kLastTextureValue, settings.LastTexture);
    return lines;
}

// The value names this file writes, for telling them from the names it keeps untouched.
bool IsOwnValue(std::string_view name) {
    for (int t = 0; t < kOutputTypeCount; ++t) {
        if (SameName(name, OutputTypeName(t))) return true;
    }
    for (const std::string_view own :
         {kComponentsValue, kEditNewValue, kSearchValue, kSearchHitsValue, kLastTextureValue}) {
        if (SameName(name, own)) return true;
    }
    return false;
}

// One object, so that whoever makes the settings early (before an exit handler that saves them)
// makes what the save compares with too.
struct TProcessSettings {
    TEditorSettings settings;
    std::string asLoaded;  // the values as they were last read or written, in the file's words
};

TProcessSettings& Process() {
    static TProcessSettings process;
    return process;
}

TEditorSettings& Global() { return Process().settings; }
std::string& AsLoaded() { return Process().asLoaded; }

bool gLoaded = false;

}  // namespace

TEditorSettings DefaultEditorSettings(const std::filesystem::path& pluginFolder) {
    TEditorSettings settings;
    const std::string base = FolderText(pluginFolder);
    for (std::string& folder : settings.ShaderFolders) folder = base + "Samples/";
    settings.ComponentsFolder = base + "Components/";
    return settings;
}

std::filesystem::path EditorSettingsPath() {
    std::filesystem::path config;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // Relative values are to be ignored.
    if (xdg != nullptr && xdg[0] == '/') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        config = std::filesystem::path(home) / ".config";
    } else {
        return {};
    }
    return config / std::string(kSettingsFolderName) / std::string(kSettingsFileName);
}

TEditorSettings ReadEditorSettings(const std::filesystem::path& file,
                                   const std::filesystem::path& pluginFolder) {
    TEditorSettings settings = DefaultEditorSettings(pluginFolder);
    std::string text;
    if (file.empty() || !ReadRegularFile(file, kMaxSettingsBytes, text)) return settings;
    TLanguageFile ini;
    ini.Parse(text);
    const auto has = [&](std::string_view key) { return ini.Has(kSettingsSection, key); };
    const auto get = [&](std::string_view key) { return ini.Get(kSettingsSection, key, ""); };

    const auto folder = [&](std::string_view key, std::string& target) {
        if (!has(key)) return;
        std::string stored = get(key);
        if (FolderExists(stored)) target = std::move(stored);
    };
    for (int t = 0; t < kOutputTypeCount; ++t) {
        folder(OutputTypeName(t), settings.ShaderFolders[static_cast<size_t>(t)]);
    }
    folder(kComponentsValue, settings.ComponentsFolder);
    folder(kLastTextureValue, settings.LastTexture);

    if (has(kEditNewValue)) {
        const std::string value = get(kEditNewValue);
        if (value == "0") settings.EditNew = false;
        if (value == "1") settings.EditNew = true;
    }
    if (has(kSearchValue)) {
        const std::string value = get(kSearchValue);
        if (Storable(value)) settings.Search.SetText(value);
    }
    if (has(kSearchHitsValue)) ParseHits(get(kSearchHitsValue), settings.Search.counts);
    return settings;
}

std::string EditorSettingsText(const TEditorSettings& settings) {
    std::string out = "[";
    out += kSettingsSection;
    out += "]\n";
    for (const auto& [name, line] : ValueLines(settings)) out += line + '\n';
    return out;
}

std::string MergeEditorSettingsText(std::string_view original, const TEditorSettings& settings) {
    const auto values = ValueLines(settings);
    std::string out;
    bool inOwn = false, ownSeen = false, written = false;
    const auto writeValues = [&] {
        if (written) return;
        for (const auto& [name, line] : values) out += line + '\n';
        written = true;
    };
    while (!original.empty()) {
        const size_t end = original.find('\n');
        const std::string_view raw = original.substr(0, end);
        original = end == std::string_view::npos ? std::string_view{} : original.substr(end + 1);
        const std::string_view line = Trim(raw);
        if (!line.empty() && line.front() == '[') {
            if (inOwn) writeValues();
            const size_t close = line.find(']');
            inOwn = close != std::string_view::npos &&
                    SameName(Trim(line.substr(1, close - 1)), kSettingsSection);
            ownSeen = ownSeen || inOwn;
        } else if (inOwn) {
            // The section's own values are written anew at its end; everything else stays.
            const size_t eq = line.find('=');
            const bool comment = !line.empty() && (line.front() == ';' || line.front() == '#');
            if (!comment && eq != std::string_view::npos && IsOwnValue(Trim(line.substr(0, eq))))
                continue;
        }
        out += raw;
        out += '\n';
    }
    if (inOwn) writeValues();
    if (!ownSeen) {
        if (!out.empty() && !out.ends_with("\n\n")) out += '\n';
        out += "[";
        out += kSettingsSection;
        out += "]\n";
        writeValues();
    }
    return out;
}

bool WriteEditorSettings(const std::filesystem::path& file, const TEditorSettings& settings) {
    if (file.empty() || !file.has_filename()) return false;
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error) return false;
    // What another program (or a later version) keeps in the file stays.
    std::string original;
    if (!ReadRegularFile(file, kMaxSettingsBytes, original)) original.clear();
    const std::string text = MergeEditorSettingsText(original, settings);
    if (text == original) return true;

    std::string reason;
    return WriteWholeFile(file, text, reason);
}

TEditorSettings& EditorSettings() { return Global(); }

bool EditorSettingsLoaded() { return gLoaded; }

void LoadEditorSettingsOnce(const std::filesystem::path& pluginFolder) {
    if (gLoaded) return;
    Global() = ReadEditorSettings(EditorSettingsPath(), pluginFolder);
    AsLoaded() = EditorSettingsText(Global());
    gLoaded = true;
}

bool SaveEditorSettingsIfLoaded() {
    // Unchanged values are not written back: another process may have changed the file since.
    if (!gLoaded) return true;
    std::string values = EditorSettingsText(Global());
    if (values == AsLoaded()) return true;
    if (!WriteEditorSettings(EditorSettingsPath(), Global())) return false;
    AsLoaded() = std::move(values);
    return true;
}

}  // namespace vandrel
