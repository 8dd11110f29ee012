#include "renderer/mesh/declared_sizes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "renderer/mesh/mesh.h"

namespace vandrel::mesh {
namespace {

using nlohmann::json;

constexpr uint64_t kMaxHeaderBytes = 1 << 16;
constexpr uint64_t kMaxGltfJsonBytes = uint64_t{64} << 20;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string ReadPrefix(const std::filesystem::path& path, uint64_t bytes) {
    std::ifstream in(path, std::ios::binary);
    std::string text(bytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(bytes));
    text.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return text;
}

uint32_t Le32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

uint64_t PlyTypeBytes(const std::string& type) {
    static const std::map<std::string, uint64_t> sizes = {
        {"char", 1},  {"uchar", 1},   {"int8", 1},   {"uint8", 1},  {"short", 2}, {"ushort", 2},
        {"int16", 2}, {"uint16", 2},  {"int", 4},    {"uint", 4},   {"int32", 4}, {"uint32", 4},
        {"float", 4}, {"float32", 4}, {"double", 8}, {"float64", 8}};
    const auto found = sizes.find(type);
    return found != sizes.end() ? found->second : 1;
}

bool CheckPly(const std::filesystem::path& path, uint64_t fileBytes, std::string& error) {
    const std::string head = ReadPrefix(path, kMaxHeaderBytes);
    const size_t end = head.find("end_header");
    if (end == std::string::npos) return true;  // the importer tells what is wrong
    const size_t newline = head.find('\n', end);
    const uint64_t body = fileBytes - std::min<uint64_t>(fileBytes, newline + 1);
    std::istringstream lines(head.substr(0, end));
    std::string line;
    bool ascii = true;
    struct Element {
        std::string name;
        uint64_t count = 0, least = 0;
    };
    std::vector<Element> elements;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "format") {
            words >> word;
            ascii = word == "ascii";
        } else if (word == "element") {
            Element e;
            std::string count;
            words >> e.name >> count;
            if (count.empty() || count.find_first_not_of("0123456789") != std::string::npos ||
                count.size() > 19) {
                error = "the PLY header declares an element count \"" + count.substr(0, 40) +
                        "\" that is not a number";
                return false;
            }
            e.count = std::stoull(count);
            elements.push_back(e);
        } else if (word == "property" && !elements.empty()) {
            std::string type;
            words >> type;
            // A list of none takes its count; a text value its digit and a separator.
            const uint64_t bytes =
                ascii ? 2 : PlyTypeBytes(type == "list" ? (words >> type, type) : type);
            elements.back().least += bytes;
        }
    }
    uint64_t least = 0;
    for (const Element& e : elements) {
        const uint64_t per = std::max<uint64_t>(e.least, 1);
        if (e.count > body / per + 1) {
            error = "the PLY header declares " + std::to_string(e.count) + " elements \"" +
                    e.name.substr(0, 40) + "\" but the file holds only " + std::to_string(body) +
                    " bytes of data";
            return false;
        }
        least += e.count * per;
    }
    if (least > body + elements.size()) {
        error =
            "the PLY header declares more data than the file's " + std::to_string(body) + " bytes";
        return false;
    }
    return true;
}

bool CheckStl(const std::filesystem::path& path, uint64_t fileBytes, std::string& error) {
    const std::string head = ReadPrefix(path, 84);
    if (head.size() < 84 || Lower(head.substr(0, 5)) == "solid") return true;
    const uint64_t facets = Le32(head, 80);
    if (84 + 50 * facets > fileBytes) {
        error = "the STL header declares " + std::to_string(facets) +
                " triangles but the file holds only " + std::to_string(fileBytes) + " bytes";
        return false;
    }
    return true;
}

uint64_t Base64Bytes(const std::string& uri) {
    const size_t comma = uri.find(',');
    if (comma == std::string::npos) return 0;
    return (uri.size() - comma - 1) / 4 * 3 + 3;
}

uint64_t Count(const json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number_unsigned()) return 0;
    return found->get<uint64_t>();
}

bool CheckGltfJson(const json& document, const std::filesystem::path& folder, uint64_t binBytes,
                   std::string& error) {
    if (!document.is_object()) return true;
    std::vector<uint64_t> buffers, views;
    if (const auto list = document.find("buffers"); list != document.end() && list->is_array()) {
        for (size_t i = 0; i < list->size(); ++i) {
            const json& b = (*list)[i];
            if (!b.is_object()) return true;
            const uint64_t declared = Count(b, "byteLength");
            uint64_t holds = 0;
            const auto uri = b.find("uri");
            if (uri == b.end()) {
                holds = i == 0 ? binBytes : 0;
            } else if (uri->is_string()) {
                const std::string text = uri->get<std::string>();
                if (text.starts_with("data:")) {
                    holds = Base64Bytes(text);
                } else {
                    std::error_code e;
                    const uint64_t size = std::filesystem::file_size(folder / text, e);
                    holds = e ? 0 : size;
                }
            }
            if (declared > holds) {
                error = "glTF buffer " + std::to_string(i) + " declares " +
                        std::to_string(declared) + " bytes but holds only " + std::to_string(holds);
                return false;
            }
            buffers.push_back(declared);
        }
    }
    if (const auto list = document.find("bufferViews");
        list != document.end() && list->is_array()) {
        for (size_t i = 0; i < list->size(); ++i) {
            const json& v = (*list)[i];
            if (!v.is_object()) return true;
            const uint64_t buffer = Count(v, "buffer"), offset = Count(v, "byteOffset"),
                           length = Count(v, "byteLength");
            if (buffer >= buffers.size() || offset > buffers[buffer] ||
                length > buffers[buffer] - offset) {
                error = "glTF buffer view " + std::to_string(i) + " lies outside its buffer";
                return false;
            }
            views.push_back(length);
        }
    }
    if (const auto list = document.find("accessors"); list != document.end() && list->is_array()) {
        static const std::map<std::string, uint64_t> components = {
            {"SCALAR", 1}, {"VEC2", 2}, {"VEC3", 3}, {"VEC4", 4},
            {"MAT2", 4},   {"MAT3", 9}, {"MAT4", 16}};
        for (size_t i = 0; i < list->size(); ++i) {
            const json& a = (*list)[i];
            if (!a.is_object()) return true;
            const uint64_t count = Count(a, "count");
            const uint64_t type = Count(a, "componentType");
            const uint64_t bytes = type == 5120 || type == 5121   ? 1
                                   : type == 5122 || type == 5123 ? 2
                                                                  : 4;
            const auto kind = a.find("type");
            const uint64_t per = kind != a.end() && kind->is_string() &&
                                         components.contains(kind->get<std::string>())
                                     ? components.at(kind->get<std::string>())
                                     : 1;
            const auto view = a.find("bufferView");
            const uint64_t limit = view != a.end() && view->is_number_unsigned() &&
                                           view->get<uint64_t>() < views.size()
                                       ? views[view->get<uint64_t>()]
                                       : kMaxVertices * 16;
            if (count > limit / (bytes * per)) {
                error = "glTF accessor " + std::to_string(i) + " declares " +
                        std::to_string(count) + " elements, more than its data holds";
                return false;
            }
        }
    }
    return true;
}

bool CheckGltf(const std::filesystem::path& path, uint64_t fileBytes, bool binary,
               std::string& error) {
    std::string text;
    uint64_t binBytes = 0;
    if (binary) {
        const std::string head = ReadPrefix(path, 20);
        if (head.size() < 12 || head.substr(0, 4) != "glTF") return true;
        const uint64_t total = Le32(head, 8), jsonBytes = head.size() >= 16 ? Le32(head, 12) : 0;
        if (total > fileBytes || 20 + jsonBytes > fileBytes || jsonBytes > kMaxGltfJsonBytes) {
            error = "the GLB header declares " + std::to_string(std::max(total, jsonBytes)) +
                    " bytes but the file holds only " + std::to_string(fileBytes);
            return false;
        }
        const std::string all = ReadPrefix(path, 20 + jsonBytes + 8);
        text = all.substr(20, jsonBytes);
        if (all.size() == 20 + jsonBytes + 8) {
            binBytes = Le32(all, 20 + jsonBytes);
            if (28 + jsonBytes + binBytes > fileBytes) {
                error = "the GLB binary chunk declares " + std::to_string(binBytes) +
                        " bytes but the file holds only " + std::to_string(fileBytes);
                return false;
            }
        }
    } else {
        if (fileBytes > kMaxGltfJsonBytes) {
            error = "the glTF file is larger than 64 MiB";
            return false;
        }
        text = ReadPrefix(path, fileBytes);
    }
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded()) return true;  // the importer tells what is wrong
    return CheckGltfJson(document, path.parent_path(), binBytes, error);
}

}  // namespace

bool CheckDeclaredSizes(const std::filesystem::path& path, uint64_t fileBytes, std::string& error) {
    // By content where the format has a signature: importers also look at content.
    const std::string magic = ReadPrefix(path, 4);
    const std::string extension = Lower(path.extension().string());
    if (magic.starts_with("ply")) return CheckPly(path, fileBytes, error);
    if (magic == "glTF") return CheckGltf(path, fileBytes, true, error);
    if (extension == ".gltf" || magic.starts_with("{")) {
        return CheckGltf(path, fileBytes, false, error);
    }
    if (extension == ".stl") return CheckStl(path, fileBytes, error);
    return true;
}

}  // namespace vandrel::mesh
