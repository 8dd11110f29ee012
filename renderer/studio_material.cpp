#include "renderer/studio_material.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>

#include "core/context.h"
#include "core/regular_file.h"
#include "core/whole_file.h"

namespace vandrel::studio {

namespace {

constexpr std::string_view kFormat = "vandrel-material";
constexpr int kVersion = 1;
constexpr size_t kMaxText = 4096;

using nlohmann::json;
constexpr int32_t kSlotOrder[4] = {kColor, kTransparency, kReflectance, kDisplacement};

std::string TriggerName(int32_t trigger) {
    return {static_cast<char>('0' + trigger / 10), static_cast<char>('0' + trigger % 10)};
}

std::string FileName(int32_t file) { return {'S', static_cast<char>('0' + file)}; }

// A text answer copied out at once: the plug-in may move it on its next call.
std::string Text(const void* value) {
    return value != nullptr ? std::string(static_cast<const char*>(value)) : std::string();
}

// Characters, not bytes: the continuation bytes of UTF-8 do not count.
size_t Characters(const std::string& text) {
    size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

bool ReadText(const json& value, std::string& out, std::string& error, const std::string& what) {
    if (!value.is_string()) {
        error = what + " must be a text";
        return false;
    }
    const std::string& text = value.get_ref<const std::string&>();
    if (Characters(text) > kMaxText) {
        error = what + " is longer than " + std::to_string(kMaxText) + " characters";
        return false;
    }
    if (text.find('\0') != std::string::npos) {
        error = what + " holds a NUL character";
        return false;
    }
    out = text;
    return true;
}

bool ReadSlot(const json& object, TStudioSlot& slot, std::string& error, const std::string& where) {
    if (!object.is_object()) {
        error = where + " must be an object";
        return false;
    }
    for (const auto& [key, value] : object.items()) {
        if (key != "shader" && key != "triggers" && key != "files") {
            error = where + " has an unknown field \"" + key + "\"";
            return false;
        }
    }
    if (!object.contains("shader")) {
        error = where + " has no \"shader\"";
        return false;
    }
    if (!ReadText(object["shader"], slot.Shader, error, where + ": \"shader\"")) return false;

    const auto triggers = object.find("triggers");
    if (triggers == object.end() || !triggers->is_array() || triggers->size() != kTriggerCount) {
        error =
            where + ": \"triggers\" must be a list of " + std::to_string(kTriggerCount) + " values";
        return false;
    }
    for (int32_t t = 0; t < kTriggerCount; ++t) {
        const std::string what = where + ": trigger " + std::to_string(t + 1);
        const json& trigger = (*triggers)[static_cast<size_t>(t)];
        if (!trigger.is_array() || trigger.size() != 3) {
            error = what + " must be a list of three numbers";
            return false;
        }
        for (size_t k = 0; k < 3; ++k) {
            if (!trigger[k].is_number()) {
                error = what + " must be a list of three numbers";
                return false;
            }
            const double v = trigger[k].get<double>();
            if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) {
                error = what + " is out of range";
                return false;
            }
            slot.Values.Triggers[static_cast<size_t>(t)][k] = static_cast<float>(v);
        }
    }

    const auto files = object.find("files");
    if (files == object.end() || !files->is_array() || files->size() != kFileSlotCount) {
        error =
            where + ": \"files\" must be a list of " + std::to_string(kFileSlotCount) + " texts";
        return false;
    }
    for (int32_t f = 0; f < kFileSlotCount; ++f) {
        if (!ReadText((*files)[static_cast<size_t>(f)], slot.Values.Files[static_cast<size_t>(f)],
                      error, where + ": file " + std::to_string(f + 1))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string_view SlotName(int32_t outputType) {
    switch (outputType) {
        case kColor:
            return "Color";
        case kTransparency:
            return "Transparency";
        case kReflectance:
            return "Reflectance";
        case kDisplacement:
            return "Displacement";
        default:
            return {};
    }
}

TStudioMaterial ReadMaterial(const TPluginShaders& shaders) {
    TStudioMaterial material;
    for (int32_t type = 0; type < kOutputTypeCount; ++type) {
        const hxGetParameterCallback get = shaders[static_cast<size_t>(type)].getParameter;
        TStudioSlot& slot = material[static_cast<size_t>(type)];
        if (get == nullptr) continue;
        slot.Shader = Text(get("D"));
        for (int32_t t = 0; t < kTriggerCount; ++t) {
            if (const void* v = get(TriggerName(t).c_str())) {
                std::memcpy(slot.Values.Triggers[static_cast<size_t>(t)].data(), v,
                            3 * sizeof(float));
            }
        }
        for (int32_t f = 0; f < kFileSlotCount; ++f) {
            if (const void* v = get(FileName(f).c_str())) {
                slot.Values.Files[static_cast<size_t>(f)] = Text(v);
            }
        }
    }
    return material;
}

void WriteSlot(const TPluginShaders& shaders, int32_t outputType, const TStudioSlot& slot) {
    if (outputType < 0 || outputType >= kOutputTypeCount) return;
    const hxSetParameterCallback set = shaders[static_cast<size_t>(outputType)].setParameter;
    if (set == nullptr) return;
    set("D", slot.Shader.c_str());
    for (int32_t t = 0; t < kTriggerCount; ++t) {
        set(TriggerName(t).c_str(), slot.Values.Triggers[static_cast<size_t>(t)].data());
    }
    for (int32_t f = 0; f < kFileSlotCount; ++f) {
        set(FileName(f).c_str(), slot.Values.Files[static_cast<size_t>(f)].c_str());
    }
}

void WriteMaterial(const TPluginShaders& shaders, const TStudioMaterial& material) {
    for (int32_t type = 0; type < kOutputTypeCount; ++type) {
        WriteSlot(shaders, type, material[static_cast<size_t>(type)]);
    }
}

std::string MaterialJson(const TStudioMaterial& material) {
    json slotTable = json::object();
    for (const int32_t type : kSlotOrder) {
        const TStudioSlot& slot = material[static_cast<size_t>(type)];
        json triggers = json::array();
        for (const auto& trigger : slot.Values.Triggers) {
            // Through double, which holds every float exactly, so a round trip loses nothing.
            triggers.push_back({static_cast<double>(trigger[0]), static_cast<double>(trigger[1]),
                                static_cast<double>(trigger[2])});
        }
        json files = json::array();
        for (const std::string& file : slot.Values.Files) files.push_back(file);
        slotTable[std::string(SlotName(type))] = {
            {"shader", slot.Shader}, {"triggers", triggers}, {"files", files}};
    }
    const json root = {{"format", kFormat}, {"version", kVersion}, {"slots", slotTable}};
    // Texts that are not UTF-8 are written with replacement characters instead of failing.
    return root.dump(4, ' ', false, json::error_handler_t::replace) + "\n";
}

std::optional<TStudioMaterial> ParseMaterialJson(std::string_view text, std::string& error) {
    if (text.size() > kMaxMaterialFileBytes) {
        error = "the material file is larger than 1 MiB";
        return std::nullopt;
    }
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& e) {
        error = "not a material file: " + std::string(e.what());
        return std::nullopt;
    }
    if (!root.is_object()) {
        error = "not a material file: the document is not an object";
        return std::nullopt;
    }
    const auto format = root.find("format");
    if (format == root.end() || !format->is_string() || *format != kFormat) {
        error = "not a material file: \"format\" is not \"vandrel-material\"";
        return std::nullopt;
    }
    const auto version = root.find("version");
    if (version == root.end() || !version->is_number() || version->get<double>() != kVersion) {
        error = "unsupported material version (this program reads version 1)";
        return std::nullopt;
    }
    const auto slotsValue = root.find("slots");
    if (slotsValue == root.end() || !slotsValue->is_object()) {
        error = "\"slots\" must be an object";
        return std::nullopt;
    }
    for (const auto& [key, value] : slotsValue->items()) {
        bool known = false;
        for (const int32_t type : kSlotOrder) known = known || key == SlotName(type);
        if (!known) {
            error = "unknown slot \"" + key + "\"";
            return std::nullopt;
        }
    }
    TStudioMaterial material;
    for (const int32_t type : kSlotOrder) {
        const std::string name(SlotName(type));
        const std::string where = "slot \"" + name + "\"";
        if (!slotsValue->contains(name)) {
            error = "the material has no " + where;
            return std::nullopt;
        }
        if (!ReadSlot((*slotsValue)[name], material[static_cast<size_t>(type)], error, where)) {
            return std::nullopt;
        }
    }
    return material;
}

bool SaveMaterialFile(const std::filesystem::path& path, const TStudioMaterial& material,
                      std::string& error) {
    return WriteWholeFile(path, MaterialJson(material), error);
}

std::optional<TStudioMaterial> LoadMaterialFile(const std::filesystem::path& path,
                                                std::string& error) {
    const TFileHandle in = OpenRegularFile(path);
    if (!in) {
        error = "cannot read the material file";
        return std::nullopt;
    }
    // One byte more than allowed tells a file that is too large without reading all of it.
    std::string text(kMaxMaterialFileBytes + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), in.get()));
    if (std::ferror(in.get())) {
        error = "cannot read the material file";
        return std::nullopt;
    }
    return ParseMaterialJson(text, error);
}

}  // namespace vandrel::studio
