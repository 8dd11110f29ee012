#include "editor/model/shader_list.h"

#include <algorithm>
#include <system_error>

#include "core/context.h"
#include "core/search_path.h"
#include "core/shader_file.h"

namespace vandrel {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    const bool less =
        std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                     [](char x, char y) { return LowerAscii(x) < LowerAscii(y); });
    if (less) return true;
    return SameFileName(a, b) && a < b;
}

bool HasShaderExtension(std::string_view name) {
    return name.size() > kShaderFileExtension.size() &&
           SameFileName(name.substr(name.size() - kShaderFileExtension.size()),
                        kShaderFileExtension);
}

std::string WithTrailingSeparator(std::string_view folder) {
    std::string f(folder);
    if (!f.empty() && f.back() != kFolderSeparator) f += kFolderSeparator;
    return f;
}

}  // namespace

bool SameFileName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

bool StreamServesOutputType(std::string_view stream, int32_t outputType) {
    if (outputType < 0 || outputType >= kOutputTypeCount) return false;
    return ParseCategories(
        StreamSection(stream, kCategoriesSection))[static_cast<size_t>(outputType)];
}

std::vector<std::string> ShaderList(const std::filesystem::path& folder, int32_t outputType) {
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    if (error) return names;
    for (const std::filesystem::directory_iterator end; it != end; it.increment(error)) {
        if (error) break;
        const std::string fileName = it->path().filename().string();
        if (!HasShaderExtension(fileName) || !it->is_regular_file(error)) continue;
        const TLoadedShader shader = LoadShaderFile(it->path().string(), TSearchPath{});
        if (!StreamServesOutputType(shader.stream, outputType)) continue;
        names.push_back(fileName.substr(0, fileName.size() - kShaderFileExtension.size()));
    }
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

std::string ShaderFilePath(std::string_view folder, std::string_view name) {
    if (name.empty()) return {};
    return WithTrailingSeparator(folder) + std::string(name) + std::string(kShaderFileExtension);
}

std::string ShaderNameInFolder(std::string_view folder, std::string_view file) {
    const std::string own = FolderOfFile(file);
    if (!SameFileName(own, WithTrailingSeparator(folder))) return {};
    const std::string_view name = FileNamePart(file);
    if (!HasShaderExtension(name)) return {};
    return std::string(name.substr(0, name.size() - kShaderFileExtension.size()));
}

std::string InformationFilePath(std::string_view shaderFile, std::string_view infoName) {
    const std::string_view bare = FileNamePart(infoName);
    if (bare.empty() || bare == "." || bare == "..") return {};
    const std::string beside = FolderOfFile(shaderFile) + std::string(bare);
    std::error_code error;
    if (std::filesystem::is_regular_file(beside, error)) return beside;
    if (const auto found = CurrentSearchPath()->Find(bare)) return found->string();
    return beside;
}

}  // namespace vandrel
