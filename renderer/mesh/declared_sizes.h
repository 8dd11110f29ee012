// Sizes a model file declares, checked against the bytes it holds before an importer allocates
// anything for them: a header that claims four billion vertices in a file of a few bytes is
// refused here instead of making the importer reserve gigabytes.
//
// Checked: PLY element counts (ascii: two bytes per value at the least; binary: the fixed sizes),
// binary STL facet counts, glTF and GLB buffers (against the GLB chunk, the data URI or the file
// beside it), buffer views and accessors. Other formats declare no sizes ahead of their data.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace vandrel::mesh {

// False, with the reason in error, when the file declares more than it holds.
bool CheckDeclaredSizes(const std::filesystem::path& path, uint64_t fileBytes, std::string& error);

}  // namespace vandrel::mesh
