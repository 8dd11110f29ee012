#include "core/whole_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <system_error>

#include "core/stream_codec.h"

namespace vandrel {

namespace {

struct TCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFile = std::unique_ptr<std::FILE, TCloser>;

}  // namespace

bool WriteWholeFile(const std::filesystem::path& path, std::string_view text, std::string& error) {
    // A fresh name beside the target ("x" mode: never one that exists), so the rename stays on
    // one file system and is atomic.
    static std::atomic<uint32_t> serial{0};
    const auto ticks =
        static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::string base = path.filename().string();
    std::filesystem::path temporary;
    TFile file;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        std::string name(1, '.');
        name += base;
        name += '.';
        AppendHex(name, ticks ^ (serial.fetch_add(1) * 0x9E3779B9u), 8);
        name += ".tmp";
        temporary = path;
        temporary.replace_filename(name);
        file.reset(std::fopen(temporary.c_str(), "wbx"));
        if (!file && errno != EEXIST) break;
    }
    if (!file) {
        error = "cannot create a file in " + path.parent_path().string();
        return false;
    }

    bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    written = std::fflush(file.get()) == 0 && written;
    written = std::fclose(file.release()) == 0 && written;
    std::error_code renameError;
    if (written) std::filesystem::rename(temporary, path, renameError);
    if (!written || renameError) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        error = written ? renameError.message() : "cannot write " + temporary.string();
        return false;
    }
    return true;
}

}  // namespace vandrel
