// Files read from outside: regular files only. A FIFO, a device, a socket or a folder is refused
// at once, never waited on: the file is opened without blocking and checked before the first read,
// so a name that is swapped for something else between a check and the open cannot hang a reader.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace vandrel {

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFileHandle = std::unique_ptr<std::FILE, TFileCloser>;

// The file opened for reading ("rb"); null when it is missing, not readable or not a regular file.
TFileHandle OpenRegularFile(const std::filesystem::path& path);

// The whole file into text; false when it cannot be opened as above, fails to read or holds more
// than maxBytes (only maxBytes + 1 bytes are ever read).
bool ReadRegularFile(const std::filesystem::path& path, size_t maxBytes, std::string& text);

}  // namespace vandrel
