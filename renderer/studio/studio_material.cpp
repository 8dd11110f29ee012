// Project headers before any Qt header: Qt's "slots" macro breaks core/component.h.
// clang-format off
#include "core/context.h"
#include "core/regular_file.h"
#include "core/whole_file.h"
#include "renderer/studio/studio_material.h"
// clang-format on
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QString>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace vandrel::studio {

namespace {

constexpr std::string_view kFormat = "vandrel-material";
constexpr int kVersion = 1;
constexpr qsizetype kMaxText = 4096;
constexpr int32_t kSlotOrder[4] = {kColor, kTransparency, kReflectance, kDisplacement};

std::string TriggerName(int32_t trigger) {
    return {static_cast<char>('0' + trigger / 10), static_cast<char>('0' + trigger % 10)};
}

std::string FileName(int32_t file) { return {'S', static_cast<char>('0' + file)}; }

// A text answer copied out at once: the plug-in may move it on its next call.
std::string Text(const void* value) {
    return value != nullptr ? std::string(static_cast<const char*>(value)) : std::string();
}

bool ReadText(const QJsonValue& value, std::string& out, std::string& error,
              const std::string& what) {
    if (!value.isString()) {
        error = what + " must be a text";
        return false;
    }
    const QString text = value.toString();
    if (text.size() > kMaxText) {
        error = what + " is longer than " + std::to_string(kMaxText) + " characters";
        return false;
    }
    if (text.contains(QChar(u'\0'))) {
        error = what + " holds a NUL character";
        return false;
    }
    out = text.toStdString();
    return true;
}

bool ReadSlot(const QJsonValue& value, TStudioSlot& slot, std::string& error,
              const std::string& where) {
    if (!value.isObject()) {
        error = where + " must be an object";
        return false;
    }
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key() != "shader" && it.key() != "triggers" && it.key() != "files") {
            error = where + " has an unknown field \"" + it.key().toStdString() + "\"";
            return false;
        }
    }
    if (!object.contains("shader")) {
        error = where + " has no \"shader\"";
        return false;
    }
    if (!ReadText(object.value("shader"), slot.Shader, error, where + ": \"shader\"")) return false;

    const QJsonValue triggers = object.value("triggers");
    if (!triggers.isArray() || triggers.toArray().size() != kTriggerCount) {
        error =
            where + ": \"triggers\" must be a list of " + std::to_string(kTriggerCount) + " values";
        return false;
    }
    const QJsonArray triggerList = triggers.toArray();
    for (int32_t t = 0; t < kTriggerCount; ++t) {
        const std::string what = where + ": trigger " + std::to_string(t + 1);
        const QJsonValue trigger = triggerList.at(t);
        if (!trigger.isArray() || trigger.toArray().size() != 3) {
            error = what + " must be a list of three numbers";
            return false;
        }
        const QJsonArray parts = trigger.toArray();
        for (qsizetype k = 0; k < 3; ++k) {
            const QJsonValue part = parts.at(k);
            const double v = part.toDouble();
            if (!part.isDouble()) {
                error = what + " must be a list of three numbers";
                return false;
            }
            if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) {
                error = what + " is out of range";
                return false;
            }
            slot.Values.Triggers[static_cast<size_t>(t)][static_cast<size_t>(k)] =
                static_cast<float>(v);
        }
    }

    const QJsonValue files = object.value("files");
    if (!files.isArray() || files.toArray().size() != kFileSlotCount) {
        error =
            where + ": \"files\" must be a list of " + std::to_string(kFileSlotCount) + " texts";
        return false;
    }
    const QJsonArray fileList = files.toArray();
    for (int32_t f = 0; f < kFileSlotCount; ++f) {
        if (!ReadText(fileList.at(f), slot.Values.Files[static_cast<size_t>(f)], error,
                      where + ": file " + std::to_string(f + 1))) {
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
    QJsonObject slotTable;
    for (const int32_t type : kSlotOrder) {
        const TStudioSlot& slot = material[static_cast<size_t>(type)];
        QJsonArray triggers;
        for (const auto& trigger : slot.Values.Triggers) {
            // Through double, which holds every float exactly, so a round trip loses nothing.
            triggers.append(QJsonArray{static_cast<double>(trigger[0]),
                                       static_cast<double>(trigger[1]),
                                       static_cast<double>(trigger[2])});
        }
        QJsonArray files;
        for (const std::string& file : slot.Values.Files)
            files.append(QString::fromStdString(file));
        slotTable.insert(QString::fromUtf8(SlotName(type).data(), SlotName(type).size()),
                         QJsonObject{{"shader", QString::fromStdString(slot.Shader)},
                                     {"triggers", triggers},
                                     {"files", files}});
    }
    const QJsonObject root{{"format", QString::fromUtf8(kFormat.data(), kFormat.size())},
                           {"version", kVersion},
                           {"slots", slotTable}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

std::optional<TStudioMaterial> ParseMaterialJson(std::string_view text, std::string& error) {
    if (text.size() > kMaxMaterialFileBytes) {
        error = "the material file is larger than 1 MiB";
        return std::nullopt;
    }
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(text.data(), static_cast<qsizetype>(text.size())), &parse);
    if (parse.error != QJsonParseError::NoError) {
        error = "not a material file: " + parse.errorString().toStdString() + " at byte " +
                std::to_string(parse.offset);
        return std::nullopt;
    }
    if (!document.isObject()) {
        error = "not a material file: the document is not an object";
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    if (root.value("format").toString().toStdString() != kFormat) {
        error = "not a material file: \"format\" is not \"vandrel-material\"";
        return std::nullopt;
    }
    const QJsonValue version = root.value("version");
    if (!version.isDouble() || version.toDouble() != kVersion) {
        error = "unsupported material version (this program reads version 1)";
        return std::nullopt;
    }
    const QJsonValue slotsValue = root.value("slots");
    if (!slotsValue.isObject()) {
        error = "\"slots\" must be an object";
        return std::nullopt;
    }
    const QJsonObject slotTable = slotsValue.toObject();
    for (auto it = slotTable.begin(); it != slotTable.end(); ++it) {
        bool known = false;
        for (const int32_t type : kSlotOrder) known = known || it.key() == SlotName(type).data();
        if (!known) {
            error = "unknown slot \"" + it.key().toStdString() + "\"";
            return std::nullopt;
        }
    }
    TStudioMaterial material;
    for (const int32_t type : kSlotOrder) {
        const std::string name(SlotName(type));
        const std::string where = "slot \"" + name + "\"";
        if (!slotTable.contains(QString::fromStdString(name))) {
            error = "the material has no " + where;
            return std::nullopt;
        }
        if (!ReadSlot(slotTable.value(QString::fromStdString(name)),
                      material[static_cast<size_t>(type)], error, where)) {
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
