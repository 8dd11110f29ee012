// Files written whole: the text goes to a fresh file beside the target, which is then renamed over
// it, so that a crash or a full disk never leaves half a file and the old one stays until the new
// one is complete.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vandrel {

// True when the text is in place; otherwise a readable reason in error, the target untouched and
// no temporary file left behind.
bool WriteWholeFile(const std::filesystem::path& path, std::string_view text, std::string& error);

}  // namespace vandrel
