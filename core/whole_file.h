// Files written whole: the content goes to a fresh file beside the target, which is then renamed
// over it, so that a crash, a full disk or a second writer never leaves half a file and the old
// one stays until the new one is complete.
//
// The fresh file has a short hidden name of its own (".vdl" and 16 hex digits, whatever the
// target's length, so that any name the folder allows works), is created exclusively and never
// through a link, so no existing file is followed, reused or overwritten; it is flushed to the
// disk before the rename and removed when anything fails. A target that already exists keeps its
// permission bits. Safe from any thread and from several processes writing the same target: each
// writer renames its own complete file, the last one wins.
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vandrel {

// Writes the whole content to the open file; false with a reason in error when it could not.
using TContentWriter = std::function<bool(std::FILE* file, std::string& error)>;

// True when the content is in place; otherwise a readable reason in error, the target untouched
// and no temporary file left behind.
bool WriteWholeFile(const std::filesystem::path& path, const TContentWriter& write,
                    std::string& error);
bool WriteWholeFile(const std::filesystem::path& path, std::string_view text, std::string& error);

// True when both paths name existing files that are one and the same (device and inode, links
// followed): a hard link or a symbolic link to a file counts as that file.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace vandrel
