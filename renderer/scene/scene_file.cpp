#include "renderer/scene/scene_file.h"

#include <cfloat>
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <numbers>
#include <set>

#include "core/context.h"
#include "core/regular_file.h"
#include "renderer/host/vec3.h"
#include "renderer/studio_material.h"

namespace vandrel::scene {
namespace {

using host::Vec3;
using nlohmann::json;

constexpr std::string_view kFormat = "vandrel-scene";

// The first fault found, with the path of the key it is at.
struct TFault {
    std::string message;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw TFault{"\"" + where + "\" " + what};
}

std::string Key(const std::string& where, const std::string& key) {
    return where.empty() ? key : where + "." + key;
}

void Keys(const json& object, const std::string& where, std::initializer_list<const char*> keys) {
    if (!object.is_object()) Fail(where.empty() ? "(scene)" : where, "must be an object");
    for (const auto& [key, value] : object.items()) {
        bool known = false;
        for (const char* k : keys) known = known || key == k;
        if (!known) Fail(Key(where, key), "is not a key of this format");
    }
}

const json* Find(const json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() ? &*found : nullptr;
}

float Number(const json& value, const std::string& where, double low = -1e15, double high = 1e15) {
    if (!value.is_number()) Fail(where, "must be a number");
    const double v = value.get<double>();
    if (!(v >= low && v <= high)) {
        Fail(where, "must lie from " + std::to_string(low) + " to " + std::to_string(high));
    }
    return static_cast<float>(v);
}

Vec3 Triple(const json& value, const std::string& where, double low = -1e15, double high = 1e15) {
    if (!value.is_array() || value.size() != 3) Fail(where, "must be a list of three numbers");
    return {Number(value[0], where + "[0]", low, high), Number(value[1], where + "[1]", low, high),
            Number(value[2], where + "[2]", low, high)};
}

Vec3 Colour(const json& value, const std::string& where) { return Triple(value, where, 0, 1e6); }

std::string Text(const json& value, const std::string& where) {
    if (!value.is_string() || value.get_ref<const std::string&>().empty()) {
        Fail(where, "must be a text that is not empty");
    }
    const std::string& text = value.get_ref<const std::string&>();
    if (text.size() > 4096 || text.find('\0') != std::string::npos) {
        Fail(where, "must be a text of at most 4096 characters without NUL");
    }
    return text;
}

std::string Resolve(const std::filesystem::path& folder, const std::string& path) {
    const std::filesystem::path p(path);
    return p.is_absolute() ? path : (folder / p).lexically_normal().string();
}

// "KIND:PATH" with its path resolved; other file texts stay as they are.
std::string ResolveFile(const std::filesystem::path& folder, const std::string& file) {
    if (file.size() > 2 && file[1] == ':' &&
        std::string_view("TBIA").find(file[0]) != std::string_view::npos) {
        return file.substr(0, 2) + Resolve(folder, file.substr(2));
    }
    return file;
}

using Matrix = std::array<double, 12>;

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix m{};
    for (size_t r = 0; r < 3; ++r) {
        for (size_t c = 0; c < 4; ++c) {
            double v = c == 3 ? a[4 * r + 3] : 0;
            for (size_t k = 0; k < 3; ++k) v += a[4 * r + k] * b[4 * k + c];
            m[4 * r + c] = v;
        }
    }
    return m;
}

Matrix Rotation(size_t axis, double degrees) {
    const double a = degrees * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
    Matrix m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    const size_t i = (axis + 1) % 3, j = (axis + 2) % 3;
    m[4 * i + i] = c, m[4 * i + j] = -s, m[4 * j + i] = s, m[4 * j + j] = c;
    return m;
}

std::array<float, 12> Transform(const json& value, const std::string& where) {
    Keys(value, where, {"translate", "rotate", "scale", "matrix"});
    Matrix m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    if (const json* matrix = Find(value, "matrix")) {
        const std::string at = Key(where, "matrix");
        if (value.size() != 1) Fail(at, "cannot go with translate, rotate or scale");
        if (!matrix->is_array() || matrix->size() != 16) {
            Fail(at, "must be a list of 16 numbers (4 rows)");
        }
        for (size_t i = 0; i < 12; ++i)
            m[i] = Number((*matrix)[i], at + "[" + std::to_string(i) + "]");
        for (size_t i = 12; i < 16; ++i) {
            if (Number((*matrix)[i], at + "[" + std::to_string(i) + "]") != (i == 15 ? 1 : 0)) {
                Fail(at, "must end in the row 0, 0, 0, 1");
            }
        }
    } else {
        if (const json* scale = Find(value, "scale")) {
            const std::string at = Key(where, "scale");
            const Vec3 s = scale->is_number()
                               ? Vec3{Number(*scale, at), Number(*scale, at), Number(*scale, at)}
                               : Triple(*scale, at);
            m = {s[0], 0, 0, 0, 0, s[1], 0, 0, 0, 0, s[2], 0};
        }
        if (const json* rotate = Find(value, "rotate")) {
            const Vec3 r = Triple(*rotate, Key(where, "rotate"), -1e6, 1e6);
            for (size_t axis = 0; axis < 3; ++axis) m = Multiply(Rotation(axis, r[axis]), m);
        }
        if (const json* translate = Find(value, "translate")) {
            const Vec3 t = Triple(*translate, Key(where, "translate"));
            for (size_t k = 0; k < 3; ++k) m[4 * k + 3] += t[k];
        }
    }
    const double det = m[0] * (m[5] * m[10] - m[6] * m[9]) - m[1] * (m[4] * m[10] - m[6] * m[8]) +
                       m[2] * (m[4] * m[9] - m[5] * m[8]);
    if (!(std::fabs(det) > 1e-18) || !std::isfinite(det)) Fail(where, "must be invertible");
    std::array<float, 12> out{};
    for (size_t i = 0; i < 12; ++i) out[i] = static_cast<float>(m[i]);
    return out;
}

TSceneSlot Slot(const json& value, const std::string& where, const std::filesystem::path& folder) {
    Keys(value, where, {"shader", "triggers", "files"});
    TSceneSlot slot;
    const json* shader = Find(value, "shader");
    if (shader == nullptr) Fail(Key(where, "shader"), "is missing");
    slot.shader = Resolve(folder, Text(*shader, Key(where, "shader")));
    if (const json* triggers = Find(value, "triggers")) {
        const std::string at = Key(where, "triggers");
        if (!triggers->is_object()) Fail(at, "must be an object of trigger numbers 1 to 20");
        for (const auto& [key, v] : triggers->items()) {
            const std::string here = Key(at, key);
            int n = 0;
            for (const char c : key) n = c >= '0' && c <= '9' && n < 100 ? 10 * n + (c - '0') : 100;
            if (key.empty() || key[0] == '0' || n < 1 || n > kTriggerCount) {
                Fail(here, "is not a trigger number from 1 to 20");
            }
            std::vector<float> values;
            if (v.is_number()) {
                values.push_back(Number(v, here, -FLT_MAX, FLT_MAX));
            } else if (v.is_array() && !v.empty() && v.size() <= 3) {
                for (size_t k = 0; k < v.size(); ++k) {
                    values.push_back(
                        Number(v[k], here + "[" + std::to_string(k) + "]", -FLT_MAX, FLT_MAX));
                }
            } else {
                Fail(here, "must be a number or a list of one to three numbers");
            }
            slot.triggers.emplace_back(n, std::move(values));
        }
    }
    if (const json* files = Find(value, "files")) {
        const std::string at = Key(where, "files");
        if (!files->is_object()) Fail(at, "must be an object of file slot numbers 1 to 5");
        for (const auto& [key, v] : files->items()) {
            const std::string here = Key(at, key);
            if (key.size() != 1 || key[0] < '1' || key[0] > '0' + kFileSlotCount) {
                Fail(here, "is not a file slot number from 1 to 5");
            }
            const std::string text = Text(v, here);
            if (text.size() < 3 || text[1] != ':' ||
                std::string_view("TBIA").find(text[0]) == std::string_view::npos) {
                Fail(here, "must be KIND:PATH with KIND T, B, I or A");
            }
            slot.files.emplace_back(key[0] - '0', ResolveFile(folder, text));
        }
    }
    return slot;
}

std::array<TSceneSlot, 4> MaterialFile(const std::string& path, const std::string& where) {
    std::string error;
    const std::optional<studio::TStudioMaterial> material = studio::LoadMaterialFile(path, error);
    if (!material) Fail(where, "names the material file \"" + path + "\": " + error);
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::array<TSceneSlot, 4> slots;
    for (size_t type = 0; type < 4; ++type) {
        const studio::TStudioSlot& from = (*material)[type];
        if (from.Shader.empty()) continue;
        slots[type].shader = Resolve(folder, from.Shader);
        TLocalKeyframes values = from.Values;
        for (std::string& file : values.Files) file = ResolveFile(folder, file);
        slots[type].values = values;
    }
    return slots;
}

TSceneObject Object(const json& value, const std::string& where,
                    const std::filesystem::path& folder) {
    Keys(value, where, {"mesh", "shape", "transform", "color", "material"});
    TSceneObject object;
    const json* mesh = Find(value, "mesh");
    const json* shape = Find(value, "shape");
    if ((mesh == nullptr) == (shape == nullptr)) Fail(where, "needs either \"mesh\" or \"shape\"");
    if (mesh != nullptr) {
        object.shape = host::ShapeKind::kMesh;
        object.mesh = Resolve(folder, Text(*mesh, Key(where, "mesh")));
    } else {
        static const std::map<std::string, host::ShapeKind> shapes = {
            {"sphere", host::ShapeKind::kSphere},
            {"cube", host::ShapeKind::kCube},
            {"plane", host::ShapeKind::kPlane},
            {"torus", host::ShapeKind::kTorus},
            {"ground", host::ShapeKind::kGround}};
        const auto found =
            shape->is_string() ? shapes.find(shape->get<std::string>()) : shapes.end();
        if (found == shapes.end()) {
            Fail(Key(where, "shape"), "must be sphere, cube, plane, torus or ground");
        }
        object.shape = found->second;
    }
    if (const json* t = Find(value, "transform"))
        object.transform = Transform(*t, Key(where, "transform"));
    if (const json* c = Find(value, "color")) object.color = Colour(*c, Key(where, "color"));
    if (const json* m = Find(value, "material")) {
        const std::string at = Key(where, "material");
        if (m->is_string()) {
            object.slots = MaterialFile(Resolve(folder, Text(*m, at)), at);
        } else {
            Keys(*m, at, {"color", "transparency", "reflectance", "displacement"});
            const std::pair<const char*, int32_t> names[] = {{"color", kColor},
                                                             {"transparency", kTransparency},
                                                             {"reflectance", kReflectance},
                                                             {"displacement", kDisplacement}};
            for (const auto& [name, type] : names) {
                if (const json* s = Find(*m, name)) {
                    object.slots[static_cast<size_t>(type)] = Slot(*s, Key(at, name), folder);
                }
            }
        }
    }
    return object;
}

host::TLight Light(const json& value, const std::string& where) {
    Keys(value, where, {"type", "color", "position", "direction", "shadows"});
    host::TLight light;
    const json* type = Find(value, "type");
    if (type == nullptr || !type->is_string() || (*type != "point" && *type != "directional")) {
        Fail(Key(where, "type"), "must be point or directional");
    }
    const bool point = *type == "point";
    light.kind = point ? host::LightKind::kPoint : host::LightKind::kDirectional;
    const char* needed = point ? "position" : "direction";
    const char* other = point ? "direction" : "position";
    if (Find(value, other) != nullptr) Fail(Key(where, other), "does not belong to this light");
    const json* at = Find(value, needed);
    if (at == nullptr) Fail(Key(where, needed), "is missing");
    const Vec3 v = Triple(*at, Key(where, needed));
    if (point) {
        light.position = v;
    } else {
        light.direction = host::Normalize(v);
        if (host::Length(light.direction) == 0) Fail(Key(where, needed), "must not be zero");
    }
    if (const json* c = Find(value, "color")) light.color = Colour(*c, Key(where, "color"));
    if (const json* s = Find(value, "shadows")) {
        if (!s->is_boolean()) Fail(Key(where, "shadows"), "must be true or false");
        light.shadows = s->get<bool>();
    }
    return light;
}

host::TCamera Camera(const json& value, const std::string& where) {
    Keys(value, where, {"position", "target", "up", "fov"});
    host::TCamera camera;
    if (const json* p = Find(value, "position"))
        camera.position = Triple(*p, Key(where, "position"));
    if (const json* t = Find(value, "target")) camera.target = Triple(*t, Key(where, "target"));
    if (const json* u = Find(value, "up")) camera.up = Triple(*u, Key(where, "up"));
    if (const json* f = Find(value, "fov"))
        camera.verticalFieldOfView = Number(*f, Key(where, "fov"), 1, 170);
    using host::operator-;
    const Vec3 forward = camera.target - camera.position;
    if (host::Length(forward) == 0) Fail(Key(where, "target"), "must differ from the position");
    if (host::Length(host::Cross(forward, camera.up)) == 0) {
        Fail(Key(where, "up"), "must not be zero or along the view direction");
    }
    return camera;
}

template <typename Item, typename Read>
void List(const json& root, const char* key, size_t most, std::vector<Item>& out, Read read) {
    const json* list = Find(root, key);
    if (list == nullptr) return;
    if (!list->is_array() || list->size() > most) {
        Fail(key, "must be a list of at most " + std::to_string(most) + " items");
    }
    for (size_t i = 0; i < list->size(); ++i) {
        out.push_back(read((*list)[i], std::string(key) + "[" + std::to_string(i) + "]"));
    }
}

TSceneFile Scene(const json& root, const std::filesystem::path& folder) {
    Keys(root, "", {"format", "version", "camera", "background", "ambient", "lights", "objects"});
    const json* format = Find(root, "format");
    if (format == nullptr || *format != kFormat) Fail("format", "must be \"vandrel-scene\"");
    const json* version = Find(root, "version");
    if (version == nullptr || !version->is_number() || *version != 1) {
        Fail("version", "must be 1 (the version this program reads)");
    }
    TSceneFile scene;
    if (const json* c = Find(root, "camera")) scene.camera = Camera(*c, "camera");
    if (const json* b = Find(root, "background")) scene.background = Colour(*b, "background");
    if (const json* a = Find(root, "ambient")) scene.ambient = Colour(*a, "ambient");
    List(root, "lights", kMaxSceneLights, scene.lights, Light);
    if (Find(root, "objects") == nullptr) Fail("objects", "is missing");
    List(root, "objects", kMaxSceneObjects, scene.objects,
         [&](const json& v, const std::string& where) { return Object(v, where, folder); });
    if (scene.objects.empty()) Fail("objects", "must hold at least one object");
    return scene;
}

}  // namespace

std::optional<TSceneFile> ParseScene(std::string_view text, const std::filesystem::path& folder,
                                     std::string& error) {
    if (text.size() > kMaxSceneFileBytes) {
        error = "the scene file is larger than 16 MiB";
        return std::nullopt;
    }
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& e) {
        error = "not a scene file: " + std::string(e.what());
        return std::nullopt;
    }
    try {
        return Scene(root, folder);
    } catch (const TFault& fault) {
        error = fault.message;
        return std::nullopt;
    }
}

std::optional<TSceneFile> LoadSceneFile(const std::filesystem::path& path, std::string& error) {
    std::string text;
    if (!ReadRegularFile(path, kMaxSceneFileBytes, text)) {
        error = "cannot read the scene file, or it is larger than 16 MiB";
        return std::nullopt;
    }
    return ParseScene(text, path.parent_path(), error);
}

}  // namespace vandrel::scene
