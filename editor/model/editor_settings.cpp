#include "editor/model/editor_settings.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <system_error>

#include "core/language.h"
#include "core/whole_file.h"

namespace vandrel {

namespace {

// Larger files are not settings files; they read as missing.
constexpr std::uintmax_t kMaxSettingsBytes = 1 << 20;

constexpr std::string_view kComponentsValue = "Components";
constexpr std::string_view kEditNewValue = "EditNew";
constexpr std::string_view kSearchValue = "Search";
constexpr std::string_view kSearchHitsValue = "SearchHits";
constexpr std::string_view kLastTextureValue = "LastTexture";

struct TCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFile = std::unique_ptr<std::FILE, TCloser>;

std::string FolderText(const std::filesystem::path& folder) {
    std::string text = folder.string();
    if (text.empty() || text.back() != kFolderSeparator) text += kFolderSeparator;
    return text;
}

bool Storable(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
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

void AppendString(std::string& out, std::string_view name, std::string_view value) {
    if (!Storable(value)) return;
    out += name;
    out += "=\"";
    out += value;
    out += "\"\n";
}

bool ReadWhole(const std::filesystem::path& file, std::string& text) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return false;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxSettingsBytes) return false;
    TFile in(std::fopen(file.c_str(), "rb"));
    if (!in) return false;
    text.resize(static_cast<size_t>(size));
    text.resize(std::fread(text.data(), 1, text.size(), in.get()));
    return !std::ferror(in.get());
}

TEditorSettings& Global() {
    static TEditorSettings settings;
    return settings;
}

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
    if (file.empty() || !ReadWhole(file, text)) return settings;
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
    for (int t = 0; t < kOutputTypeCount; ++t) {
        AppendString(out, OutputTypeName(t), settings.ShaderFolders[static_cast<size_t>(t)]);
    }
    AppendString(out, kComponentsValue, settings.ComponentsFolder);
    out += kEditNewValue;
    out += settings.EditNew ? "=1\n" : "=0\n";
    AppendString(out, kSearchValue, settings.Search.Text());
    out += kSearchHitsValue;
    out += '=';
    out += HitsText(settings.Search.counts);
    out += '\n';
    AppendString(out, kLastTextureValue, settings.LastTexture);
    return out;
}

bool WriteEditorSettings(const std::filesystem::path& file, const TEditorSettings& settings) {
    if (file.empty() || !file.has_filename()) return false;
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error) return false;
    const std::string text = EditorSettingsText(settings);

    std::string reason;
    return WriteWholeFile(file, text, reason);
}

TEditorSettings& EditorSettings() { return Global(); }

bool EditorSettingsLoaded() { return gLoaded; }

void LoadEditorSettingsOnce(const std::filesystem::path& pluginFolder) {
    if (gLoaded) return;
    Global() = ReadEditorSettings(EditorSettingsPath(), pluginFolder);
    gLoaded = true;
}

bool SaveEditorSettingsIfLoaded() {
    if (!gLoaded) return true;
    return WriteEditorSettings(EditorSettingsPath(), Global());
}

}  // namespace vandrel
