#include "core/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace vandrel {

TFileHandle OpenRegularFile(const std::filesystem::path& path) {
    if (path.empty()) return nullptr;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) ::close(fd);
    return TFileHandle(file);
}

bool ReadRegularFile(const std::filesystem::path& path, size_t maxBytes, std::string& text) {
    text.clear();
    const TFileHandle file = OpenRegularFile(path);
    if (!file) return false;
    constexpr size_t kBlock = size_t{64} << 10;
    while (text.size() <= maxBytes) {
        const size_t old = text.size();
        const size_t want = std::min(kBlock, maxBytes + 1 - old);
        text.resize(old + want);
        const size_t got = std::fread(text.data() + old, 1, want, file.get());
        text.resize(old + got);
        if (got < want) break;
    }
    if (std::ferror(file.get()) || text.size() > maxBytes) {
        text.clear();
        return false;
    }
    return true;
}

}  // namespace vandrel
