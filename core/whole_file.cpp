#include "core/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>

#include "core/stream_codec.h"

namespace vandrel {

namespace {

constexpr int kCreateAttempts = 32;

uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Names differ between calls of one process by the counter and between processes by the seed.
std::string TemporaryName() {
    static std::atomic<uint64_t> counter = [] {
        uint64_t seed = static_cast<uint64_t>(getpid()) << 32;
        seed ^= static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        try {
            std::random_device device;
            seed ^= (uint64_t{device()} << 32) ^ device();
        } catch (...) {
            // The clock and the process id still tell writers apart.
        }
        return seed;
    }();
    const uint64_t bits = Mix(counter.fetch_add(1, std::memory_order_relaxed));
    std::string name = ".vdl";
    AppendHex(name, static_cast<uint32_t>(bits >> 32), 8);
    AppendHex(name, static_cast<uint32_t>(bits), 8);
    return name;
}

std::string Reason(const char* what, const std::filesystem::path& path, int error) {
    return std::string(what) + " " + path.string() + ": " + std::strerror(error);
}

// The folder's entry of the rename reaches the disk too; a folder that cannot be opened or synced
// (some file systems refuse) leaves the file in place all the same.
void SyncFolder(const std::filesystem::path& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

bool WriteWholeFile(const std::filesystem::path& path, const TContentWriter& write,
                    std::string& error) {
    if (path.empty() || !path.has_filename()) {
        error = "no file name";
        return false;
    }
    const std::filesystem::path folder = path.parent_path();
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kCreateAttempts && fd < 0; ++attempt) {
        temporary = folder / TemporaryName();
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        error = Reason("cannot create a file in", folder.empty() ? "." : folder, errno);
        return false;
    }
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && S_ISREG(target.st_mode)) {
        (void)::fchmod(fd, target.st_mode & 07777);
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        error = Reason("cannot write", temporary, errno);
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }

    bool written = false;
    try {
        written = write(file, error);
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (written && std::fflush(file) != 0) {
        error = Reason("cannot write", temporary, errno);
        written = false;
    }
    if (written && ::fsync(fileno(file)) != 0) {
        error = Reason("cannot write", temporary, errno);
        written = false;
    }
    if (std::fclose(file) != 0 && written) {
        error = Reason("cannot write", temporary, errno);
        written = false;
    }
    if (written && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = Reason("cannot replace", path, errno);
        written = false;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        if (error.empty()) error = "cannot write " + path.string();
        return false;
    }
    SyncFolder(folder);
    return true;
}

bool WriteWholeFile(const std::filesystem::path& path, std::string_view text, std::string& error) {
    return WriteWholeFile(
        path,
        [text](std::FILE* file, std::string& reason) {
            if (std::fwrite(text.data(), 1, text.size(), file) == text.size()) return true;
            reason = std::string("cannot write: ") + std::strerror(errno);
            return false;
        },
        error);
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat first {
    }, second{};
    if (a.empty() || b.empty() || ::stat(a.c_str(), &first) != 0 ||
        ::stat(b.c_str(), &second) != 0) {
        return false;
    }
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace vandrel
