// Scene files: the reader against its JSON Schema (every key the schema lists is read, every other
// refused by its path), faults named by key, and a scene of two objects and two materials rendered
// by `vandrel render --scene`.
#include "renderer/scene/scene_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "core/shader_file.h"
#include "hostapi/hostapi.h"
#include "renderer/cli_test_support.h"
#include "renderer/image_writer.h"
#include "renderer/mesh_fixtures.h"
#include "renderer/studio_material.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::kWhite;

class SceneFiles : public test::CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        ASSERT_TRUE(SaveShaderFile(folder / "white.xrb", kWhite).ok);
        test::WriteText(folder / "octahedron.obj", test::OctahedronObj());
        std::string written;
        ASSERT_TRUE(
            WriteImage((folder / "wood.png").string(), 2, 2, std::vector<float>(12, 0.5f), written))
            << written;
        studio::TStudioMaterial material;
        material[kColor].Shader = "white.xrb";
        material[kColor].Values.Files[0] = "T:wood.png";
        std::string error;
        ASSERT_TRUE(studio::SaveMaterialFile(folder / "white.json", material, error)) << error;
    }

    // A scene that uses every key of the format.
    static json Full() {
        return json::parse(R"({
  "format": "vandrel-scene", "version": 1,
  "camera": {"position": [0, 1, 6], "target": [0, 0, 0], "up": [0, 1, 0], "fov": 40},
  "background": [0.1, 0.2, 0.3], "ambient": [0.5, 0.5, 0.5],
  "lights": [{"type": "point", "position": [-4, 6, 5], "color": [1, 1, 1], "shadows": true},
             {"type": "directional", "direction": [0, -1, 0], "color": [0.2, 0.2, 0.2],
              "shadows": false}],
  "objects": [
    {"shape": "sphere", "color": [1, 0, 0],
     "transform": {"translate": [-1.2, 0, 0], "rotate": [0, 90, 0], "scale": 0.8},
     "material": {"color": {"shader": "white.xrb", "triggers": {"1": [1, 2, 3], "20": 4},
                            "files": {"2": "T:wood.png"}},
                  "transparency": {"shader": "white.xrb"}, "reflectance": {"shader": "white.xrb"},
                  "displacement": {"shader": "white.xrb"}}},
    {"mesh": "octahedron.obj", "material": "white.json",
     "transform": {"matrix": [1, 0, 0, 1.2, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1]}}]})");
    }

    std::string Parse(const json& scene) {
        std::string error;
        const auto parsed = scene::ParseScene(scene.dump(), folder, error);
        EXPECT_EQ(parsed.has_value(), error.empty()) << error;
        return error;
    }
};

std::set<std::string> KeysOf(const json& object) {
    std::set<std::string> keys;
    for (const auto& [key, value] : object.items()) keys.insert(key);
    return keys;
}

// Every "properties" table of the schema, by JSON pointer.
void PropertyTables(const json& schema, const std::string& at, std::set<std::string>& out) {
    if (!schema.is_object() && !schema.is_array()) return;
    for (const auto& [key, value] : schema.items()) {
        const std::string here = at + "/" + key;
        if (key == "properties" && schema.is_object()) out.insert(here);
        PropertyTables(value, here, out);
    }
}

TEST_F(SceneFiles, TheReaderAndTheSchemaAgree) {
    std::ifstream in(fs::path(VANDREL_SOURCE_DIR) / "resources/scene.schema.json");
    const json schema = json::parse(in);
    const json full = Full();
    ASSERT_EQ(Parse(full), "");

    // Each table of the schema and the places of the full scene it describes.
    struct Place {
        const char* table;
        std::vector<const char*> scene;  // JSON pointers, their keys together the table's
        std::string path;                // how the reader names the first of them
    };
    const std::vector<Place> places = {
        {"/properties", {""}, ""},
        {"/properties/camera/properties", {"/camera"}, "camera"},
        {"/$defs/light/properties", {"/lights/0", "/lights/1"}, "lights[0]"},
        {"/$defs/object/properties", {"/objects/0", "/objects/1"}, "objects[0]"},
        {"/$defs/transform/properties",
         {"/objects/0/transform", "/objects/1/transform"},
         "objects[0].transform"},
        {"/$defs/material/properties", {"/objects/0/material"}, "objects[0].material"},
        {"/$defs/slot/properties", {"/objects/0/material/color"}, "objects[0].material.color"},
    };
    std::set<std::string> tables, covered;
    PropertyTables(schema, "", tables);
    // The oneOf branches of light restate "type" only; they add no keys.
    std::erase_if(tables,
                  [](const std::string& t) { return t.find("/oneOf/") != std::string::npos; });
    for (const Place& place : places) {
        SCOPED_TRACE(place.table);
        covered.insert(place.table);
        std::set<std::string> used;
        for (const char* at : place.scene) {
            const auto keys = KeysOf(full.at(json::json_pointer(at)));
            used.insert(keys.begin(), keys.end());
        }
        EXPECT_EQ(used, KeysOf(schema.at(json::json_pointer(place.table))));

        json bad = full;
        bad[json::json_pointer(std::string(place.scene[0]) + "/bogus")] = 1;
        const std::string key = place.path.empty() ? "bogus" : place.path + ".bogus";
        EXPECT_EQ(Parse(bad), "\"" + key + "\" is not a key of this format");

        // The keys the schema requires here.
        const json table = schema.at(json::json_pointer(place.table).parent_pointer());
        for (const std::string required : table.value("required", json::array())) {
            json missing = full;
            missing.at(json::json_pointer(place.scene[0])).erase(required);
            const std::string error = Parse(missing);
            EXPECT_NE(error.find(required), std::string::npos) << required << ": " << error;
        }
    }
    EXPECT_EQ(covered, tables);
}

TEST_F(SceneFiles, FaultsNameTheirKey) {
    struct Case {
        const char* pointer;
        json value;
        const char* error;
    };
    const Case cases[] = {
        {"/format", "vandrel-material", "\"format\" must be"},
        {"/version", 2, "\"version\" must be 1"},
        {"/camera/fov", 500, "\"camera.fov\" must lie"},
        {"/camera/up", {0, 0, 0}, "\"camera.up\" must not"},
        {"/background", {1, 2}, "\"background\" must be a list of three"},
        {"/lights/0/type", "spot", "\"lights[0].type\""},
        {"/lights/1/position", {0, 1, 0}, "\"lights[1].position\" does not belong"},
        {"/lights/0/shadows", 1, "\"lights[0].shadows\" must be true or false"},
        {"/objects/0/shape", "cone", "\"objects[0].shape\""},
        {"/objects/0/mesh", "octahedron.obj", "\"objects[0]\" needs either"},
        {"/objects/0/transform/scale", 0, "\"objects[0].transform\" must be invertible"},
        {"/objects/0/transform/rotate/1", "ninety", "\"objects[0].transform.rotate[1]\""},
        {"/objects/1/transform/matrix/15", 2, "\"objects[1].transform.matrix\" must end"},
        {"/objects/1/transform/scale", 2, "\"objects[1].transform.matrix\" cannot go"},
        {"/objects/0/material/color/triggers/21", 1, "\"objects[0].material.color.triggers.21\""},
        {"/objects/0/material/color/triggers/1", {1, 2, 3, 4}, "triggers.1\" must be"},
        {"/objects/0/material/color/files/1", "X:foo", "files.1\" must be KIND:PATH"},
        {"/objects/1/material", "missing.json", "\"objects[1].material\" names the material"},
        {"/objects", json::array(), "\"objects\" must hold at least one"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pointer);
        json scene = Full();
        scene[json::json_pointer(c.pointer)] = c.value;
        const std::string error = Parse(scene);
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(scene::ParseScene("{\"format\": ", folder, error));
    EXPECT_NE(error.find("not a scene file"), std::string::npos) << error;
}

TEST_F(SceneFiles, PathsAreRelativeToTheSceneFile) {
    std::string error;
    const auto parsed = scene::ParseScene(Full().dump(), folder, error);
    ASSERT_TRUE(parsed) << error;
    const scene::TSceneObject& first = parsed->objects[0];
    EXPECT_EQ(first.slots[kColor].shader, (folder / "white.xrb").string());
    ASSERT_EQ(first.slots[kColor].files.size(), 1u);
    EXPECT_EQ(first.slots[kColor].files[0].second, "T:" + (folder / "wood.png").string());
    EXPECT_EQ(parsed->objects[1].mesh, (folder / "octahedron.obj").string());
    ASSERT_TRUE(parsed->objects[1].slots[kColor].values);
    EXPECT_EQ(parsed->objects[1].slots[kColor].values->Files[0],
              "T:" + (folder / "wood.png").string());
    EXPECT_EQ(parsed->objects[0].transform[3], -1.2f);
    EXPECT_NEAR(parsed->objects[0].transform[2], 0.8f, 1e-6f);  // rotated 90° about y
}

// Two red spheres side by side under one light from the camera, without shadows: the left one
// white through its material file's colour shader, the right one with only a transparency shader
// of its own (white: opaque), so that its red base colour shows.
TEST_F(SceneFiles, ASceneOfTwoObjectsAndTwoMaterialsRenders) {
    json scene = Full();
    scene["camera"] = {{"position", {0, 0, 6}}, {"target", {0, 0, 0}}, {"fov", 30}};
    scene["lights"] = {{{"type", "directional"}, {"direction", {0, 0, -1}}, {"shadows", false}}};
    scene["ambient"] = {0, 0, 0};
    scene["objects"] = json::array({{{"shape", "sphere"},
                                     {"color", {1, 0, 0}},
                                     {"transform", {{"translate", {-1.1, 0, 0}}}},
                                     {"material", "white.json"}},
                                    {{"shape", "sphere"},
                                     {"color", {1, 0, 0}},
                                     {"transform", {{"translate", {1.1, 0, 0}}}},
                                     {"material", {{"transparency", {{"shader", "white.xrb"}}}}}}});
    test::WriteText(folder / "two.json", scene.dump());
    const auto run = Run("render --scene two.json --size 40x20 --samples 1 -o two.png");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const int32_t image = hsImageRead((folder / "two.png").c_str());
    ASSERT_NE(image, 0);
    // The spheres' centres fall on columns 13 and 26 of row 10.
    const uint32_t left = hsImageGetPixel(image, 13, 10), right = hsImageGetPixel(image, 26, 10);
    hsImageDestroy(image);
    const auto channel = [](uint32_t pixel, int k) { return (pixel >> (8 * k)) & 0xFF; };
    for (int k = 0; k < 3; ++k) EXPECT_GE(channel(left, k), 240u) << "left " << k;
    // 0.9 · diffuse · red + 0.1 · Phong: the highlight alone in green and blue.
    EXPECT_GE(channel(right, 0), 240u);
    EXPECT_LT(channel(right, 1), 100u);
    EXPECT_LT(channel(right, 2), 100u);
}

}  // namespace
}  // namespace vandrel
