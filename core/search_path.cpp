#include "core/search_path.h"

#include <algorithm>
#include <mutex>
#include <system_error>
#include <utility>

namespace vandrel {

void TRecentFolders::Use(std::string_view folder) {
    if (folder.empty()) return;
    std::string p(folder);
    if (p.back() != kFolderSeparator) p += kFolderSeparator;

    int smallest = 0;
    for (int k = 0; k < kRecentFolderCount; ++k) {
        const std::string& f = folders[k];
        const size_t limit = std::min(f.size(), p.size());
        size_t c = 0;
        while (c < limit && f[c] == p[c]) ++c;
        // The c-th character (1-based) is the last one of the common part: the rule merges only
        // at a folder boundary, so the result is always a real folder both lie in.
        if (c > 3 && p[c - 1] == kFolderSeparator) {
            folders[k] = p.substr(0, c);
            if (counts[k] < kRecentCountLimit) ++counts[k];
            return;
        }
        if (counts[k] < counts[smallest]) smallest = k;
    }
    folders[smallest] = std::move(p);
    counts[smallest] = 1;
}

std::string TRecentFolders::Text() const {
    std::string out;
    for (int k = 0; k < kRecentFolderCount; ++k) {
        if (k > 0) out += ';';
        out += folders[k];
    }
    return out;
}

void TRecentFolders::SetText(std::string_view text) {
    for (int k = 0; k < kRecentFolderCount; ++k) {
        const size_t at = text.find(';');
        folders[k] = std::string(text.substr(0, at));
        // Use merges only at a "/", so a stored folder must end with one to be found again.
        if (!folders[k].empty() && folders[k].back() != kFolderSeparator) {
            folders[k] += kFolderSeparator;
        }
        text = at == std::string_view::npos ? std::string_view{} : text.substr(at + 1);
    }
}

std::string FolderOfFile(std::string_view path) {
    const size_t at = path.rfind(kFolderSeparator);
    return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string_view FileNamePart(std::string_view name) {
    const size_t at = name.find_last_of("/\\");
    return at == std::string_view::npos ? name : name.substr(at + 1);
}

TSearchPath::TSearchPath(std::vector<std::string> folders) {
    for (std::string& folder : folders) {
        if (!folder.empty()) folders_.push_back(std::move(folder));
    }
}

TSearchPath TSearchPath::Build(std::string_view hostFolder, std::string_view pluginFolder,
                               const TRecentFolders& recent) {
    std::vector<std::string> folders{std::string(hostFolder), std::string(pluginFolder)};
    folders.insert(folders.end(), recent.folders.begin(), recent.folders.end());
    return TSearchPath(std::move(folders));
}

std::string TSearchPath::Text() const {
    std::string out;
    for (size_t i = 0; i < folders_.size(); ++i) {
        if (i > 0) out += ';';
        out += folders_[i];
    }
    return out;
}

namespace {

bool IsFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::optional<std::filesystem::path> TSearchPath::Find(std::string_view fileName) const {
    if (fileName.empty() || fileName.find('\0') != std::string_view::npos) return std::nullopt;
    for (const std::string& folder : folders_) {
        if (folder.find('\0') != std::string::npos) continue;
        std::filesystem::path candidate = std::filesystem::path(folder) / std::string(fileName);
        if (IsFile(candidate)) return candidate;
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> ResolveFileName(std::string_view name,
                                                     const TSearchPath& path) {
    // The OS would cut a name at its NUL and open some other file.
    if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
    std::filesystem::path direct{std::string(name)};
    if (IsFile(direct)) return direct;
    return path.Find(FileNamePart(name));
}

namespace {

struct TPublished {
    std::mutex mutex;
    std::shared_ptr<const TSearchPath> path = std::make_shared<const TSearchPath>();
};

TPublished& Published() {
    static TPublished published;
    return published;
}

}  // namespace

std::shared_ptr<const TSearchPath> CurrentSearchPath() {
    TPublished& published = Published();
    std::lock_guard lock(published.mutex);
    return published.path;
}

void PublishSearchPath(TSearchPath path) {
    auto snapshot = std::make_shared<const TSearchPath>(std::move(path));
    TPublished& published = Published();
    std::lock_guard lock(published.mutex);
    published.path.swap(snapshot);
    // The previous snapshot is freed outside the lock by whoever holds it last.
}

std::optional<std::filesystem::path> ResolveFileName(std::string_view name) {
    return ResolveFileName(name, *CurrentSearchPath());
}

}  // namespace vandrel
