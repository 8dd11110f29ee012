// The editor's persistent settings, kept in "$XDG_CONFIG_HOME/Ferrow Software/Vandrel.ini"
// (XDG_CONFIG_HOME unset, empty or relative: "~/.config").
//
// One section "[Vandrel]" holds the values "Displacement", "Transparency", "Color" and
// "Reflectance" (the shader folder of each output type), "Components" (the custom component
// folder), "EditNew" (1 or 0), "Search" (the five recent folders joined by ";"), "SearchHits" (the
// five 32-bit use counts as 20 bytes in 40 hex digits, least significant byte first) and
// "LastTexture" (the folder of the last chosen texture). Strings are written in double quotes, so
// that blanks at their ends survive.
//
// The file is untrusted: a missing file gives every default, a missing or damaged value its own
// default, and a stored folder that no longer exists its default. Writing goes through a temporary
// file in the same folder and a rename, so the file is always either the old one or the whole new
// one.
//
// The process's settings are read once (at the first begin of render) and written when the
// plug-in unloads, only if they were read and a value changed. User-interface thread only.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/context.h"
#include "core/search_path.h"

namespace vandrel {

inline constexpr std::string_view kSettingsFolderName = "Ferrow Software";
inline constexpr std::string_view kSettingsFileName = "Vandrel.ini";
inline constexpr std::string_view kSettingsSection = "Vandrel";

struct TEditorSettings {
    std::array<std::string, kOutputTypeCount> ShaderFolders;  // by output type, 0 … 3
    std::string ComponentsFolder;
    bool EditNew = true;  // "Auto-edit new shaders"
    TRecentFolders Search;
    std::string LastTexture;
};

// The shader folders are the plug-in folder + "Samples/", the Components folder the plug-in folder
// + "Components/"; everything else is empty, EditNew ticked.
TEditorSettings DefaultEditorSettings(const std::filesystem::path& pluginFolder);

// Empty when neither XDG_CONFIG_HOME nor HOME gives a folder.
std::filesystem::path EditorSettingsPath();

TEditorSettings ReadEditorSettings(const std::filesystem::path& file,
                                   const std::filesystem::path& pluginFolder);
// The file's text. A string holding a line break or a NUL cannot be stored and is left out
// (it reads back as its default).
std::string EditorSettingsText(const TEditorSettings& settings);
// The file's text with the values of "[Vandrel]" replaced by these (at the end of that section, or
// in a new one at the end); other sections, other values and comments stay as they are.
std::string MergeEditorSettingsText(std::string_view original, const TEditorSettings& settings);
// Creates the folder when needed and merges into what the file holds; writes nothing when that
// changes nothing. False when the file could not be written whole; the old file is then
// untouched.
bool WriteEditorSettings(const std::filesystem::path& file, const TEditorSettings& settings);

// The process's settings (defaults until loaded).
TEditorSettings& EditorSettings();
bool EditorSettingsLoaded();
// Reads EditorSettingsPath() the first time; later calls do nothing.
void LoadEditorSettingsOnce(const std::filesystem::path& pluginFolder);
// At unload: writes EditorSettingsPath() if the settings were loaded. False when that failed.
bool SaveEditorSettingsIfLoaded();

}  // namespace vandrel
