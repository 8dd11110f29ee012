// The file search path along which shader files and exposed files are found by their bare name,
// and the five recently used folders it ends with.
//
// The path is the host's folder, the plug-in's folder, then the non-empty recent folders; its text
// form joins them with ";". The plug-in rebuilds it at every begin of render and publishes it as
// an immutable snapshot: rendering threads read CurrentSearchPath() (a shared pointer that stays
// valid while held) and never see a path half rebuilt. Until the first publish the path is empty,
// so only names that are complete paths resolve.
//
// Folders use "/" as their separator; a folder of the recent list ends with it.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

inline constexpr char kFolderSeparator = '/';
inline constexpr int kRecentFolderCount = 5;
inline constexpr uint32_t kRecentCountLimit = 2147483647;

// Five folders with five use counts, kept across runs by the editor settings ("Search" holds
// Text(), "SearchHits" the counts).
struct TRecentFolders {
    std::array<std::string, kRecentFolderCount> folders;
    std::array<uint32_t, kRecentFolderCount> counts{};

    // A file in `folder` was picked. For slot k = 0 … 4: with c the length of the common leading
    // part of folder k and `folder`, if c > 3 and that common part ends with "/", folder k becomes
    // the common part and its count grows by one (up to kRecentCountLimit), and the update ends.
    // Otherwise the first slot with the smallest count gets `folder` and count 1. A `folder`
    // without its trailing "/" gets one first; an empty one changes nothing.
    void Use(std::string_view folder);

    // The five folders joined by ";" (empty ones included, so slots keep their places).
    std::string Text() const;
    // Slots from a ";"-joined text: the first five items, missing ones empty, each given its
    // trailing "/". Counts are kept.
    void SetText(std::string_view text);
};

// The folder part of a file path: everything up to and including the last "/"; empty when none.
std::string FolderOfFile(std::string_view path);

// The file-name part of a name: what follows its last "/" or "\" (names stored by Windows hosts
// carry backslashes).
std::string_view FileNamePart(std::string_view name);

class TSearchPath {
  public:
    TSearchPath() = default;
    // Empty folders are dropped.
    explicit TSearchPath(std::vector<std::string> folders);
    // The host's folder, the plug-in's folder, then the non-empty recent folders.
    static TSearchPath Build(std::string_view hostFolder, std::string_view pluginFolder,
                             const TRecentFolders& recent);

    const std::vector<std::string>& Folders() const { return folders_; }
    std::string Text() const;

    // The first folder, in path order, that holds a regular file of this name.
    std::optional<std::filesystem::path> Find(std::string_view fileName) const;

  private:
    std::vector<std::string> folders_;
};

// An existing regular file at `name` itself, else its file-name part found along `path`; nothing
// when neither exists (or the name holds a NUL).
std::optional<std::filesystem::path> ResolveFileName(std::string_view name,
                                                     const TSearchPath& path);
// Along the published path.
std::optional<std::filesystem::path> ResolveFileName(std::string_view name);

// The published path; never null.
std::shared_ptr<const TSearchPath> CurrentSearchPath();
void PublishSearchPath(TSearchPath path);

}  // namespace vandrel
