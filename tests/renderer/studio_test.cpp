// The studio window, headless: update requests from the plug-in restart the preview with the new
// values, materials survive a save and a load, damaged material files change nothing.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/shader_file.h"
#include "core/stream_sections.h"
#include "editor/editor_test_support.h"
#include "editor/interface_panel.h"
#include "editor/main_form.h"
#include "editor/plugin_windows.h"
#include "editor/plugin_windows_fixture.h"
#include "editor/qt_test_support.h"
#include "host/plugin.h"
#include "interface/interface_model.h"
#include "renderer/mesh_fixtures.h"
#include "renderer/shader_fixtures.h"
#include "renderer/studio/studio_window.h"
#include "test_support.h"

namespace vandrel::studio {
namespace {

namespace fs = std::filesystem;

using test::RegisterPlugin;

// A colour shader whose colour is Trigger1.
std::string TriggerColourStream() {
    test::ShaderBuilder b;
    b.Var(kRootColor, kWholeProperty, kVarTrigger1);
    return b.Stream();
}

class Studio : public ::testing::Test {
  protected:
    void SetUp() override {
        test::TestApplication();
        shader = folder / "trigger_colour.xrb";
        ASSERT_TRUE(SaveShaderFile(shader, TriggerColourStream()).ok);
        shaders = RegisterPlugin();
        Plugin().Rendering = false;
        window = std::make_unique<TStudioWindow>(shaders);
        window->SetView(host::ShapeKind::kSphere, 32);
        std::string error;
        ASSERT_TRUE(window->SetSlotShader(kColor, shader.string(), error)) << error;
    }
    void TearDown() override {
        window.reset();
        for (const int32_t type : {kColor, kTransparency, kReflectance, kDisplacement}) {
            WriteSlot(shaders, type, TStudioSlot{});
        }
    }

    // Runs the event loop until no render runs or waits; false after a generous deadline.
    bool WaitIdle() {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 60000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            if (!window->Busy()) {
                // A request delivered at the end of the render restarts it from the event loop.
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                if (!window->Busy()) return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    void SetTrigger(int32_t type, const char* name, std::array<float, 3> value) {
        shaders[static_cast<size_t>(type)].setParameter(name, value.data());
    }

    // The centre of the finished image: the middle of the sphere.
    std::array<float, 3> Centre() const {
        const TStudioPass& pass = window->FinishedPass();
        const size_t at = (static_cast<size_t>(pass.Height / 2) * static_cast<size_t>(pass.Width) +
                           static_cast<size_t>(pass.Width / 2)) *
                          3;
        return {pass.Rgb.at(at), pass.Rgb.at(at + 1), pass.Rgb.at(at + 2)};
    }

    test::TempFolder folder{"vandrel_studio_"};
    fs::path shader;
    TPluginShaders shaders{};
    std::unique_ptr<TStudioWindow> window;
};

TEST_F(Studio, AnUpdateRequestRestartsThePreviewWithTheNewValue) {
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(window->FinishedRender(), window->StartedRenders());
    EXPECT_EQ(window->FinishedPass().Width, 32);
    EXPECT_EQ(window->StatusText(), "Done");

    // Between renders the request reaches the host at once.
    SetTrigger(kColor, "00", {1, 0, 0});
    const uint64_t before = window->StartedRenders();
    (void)host::TakeShaderUpdates();
    RequestUpdate(kColor);
    // The colour shader registered first, with handle 301.
    EXPECT_EQ(host::TakeShaderUpdates(), std::vector<int32_t>{301});
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window->StartedRenders(), before + 1);
    // Lit red: the diffuse term carries only red; ambient and the white highlight add at most
    // 0.1 each to the other channels.
    auto c = Centre();
    EXPECT_GT(c[0], c[1] + 0.15f);
    EXPECT_GT(c[0], c[2] + 0.15f);

    // During a render the plug-in holds the request until the render ends; the preview then
    // starts over and shows the value set meanwhile.
    window->RestartPreview();
    ASSERT_TRUE(window->Busy());
    SetTrigger(kColor, "00", {0, 0, 1});
    RequestUpdate(kColor);
    ASSERT_TRUE(WaitIdle());
    EXPECT_GE(window->StartedRenders(), before + 3);
    EXPECT_EQ(window->FinishedRender(), window->StartedRenders());
    c = Centre();
    EXPECT_GT(c[2], c[0] + 0.15f);
    EXPECT_GT(c[2], c[1] + 0.15f);
}

TEST_F(Studio, StoppingCancelsTheRender) {
    ASSERT_TRUE(WaitIdle());
    window->SetView(host::ShapeKind::kCube, 512);
    window->StopRender();
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(window->LastOutcome().Completed);
    EXPECT_EQ(window->StatusText(), "Stopped");
    EXPECT_LT(window->FinishedRender(), window->StartedRenders());
}

TEST_F(Studio, ASavedMaterialLoadsBackToTheSameImage) {
    SetTrigger(kColor, "00", {0.2f, 0.7f, 0.3f});
    SetTrigger(kColor, "19", {-1.5f, 1e-7f, 3e38f});
    shaders[kColor].setParameter("S0", "T:/textures/wood \"oak\".png");
    window->RestartPreview();
    ASSERT_TRUE(WaitIdle());
    const std::vector<float> saved = window->FinishedPass().Rgb;
    const TStudioMaterial before = ReadMaterial(shaders);
    const fs::path file = folder / "material.json";
    std::string error;
    ASSERT_TRUE(window->SaveMaterial(file.string(), error)) << error;
    EXPECT_FALSE(fs::exists(file.string() + ".tmp"));

    SetTrigger(kColor, "00", {1, 0, 0});
    shaders[kColor].setParameter("S0", "N:*.*");
    RequestUpdate(kColor);
    ASSERT_TRUE(WaitIdle());
    ASSERT_NE(window->FinishedPass().Rgb, saved);

    ASSERT_TRUE(window->LoadMaterial(file.string(), error)) << error;
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ReadMaterial(shaders), before);
    EXPECT_EQ(window->FinishedPass().Rgb, saved);
}

TEST_F(Studio, ThePreviewShowsTheWholePictureEarlyAndEndsOnTheFileRendersPicture) {
    ASSERT_TRUE(WaitIdle());
    TStudioRenderer renderer(shaders);
    std::vector<TStudioPass> passes;
    uint64_t finished = 0;
    renderer.OnPass = [&](const TStudioPass& pass) { passes.push_back(pass); };
    renderer.OnFinished = [&](const TStudioOutcome& outcome) { finished = outcome.Render; };
    const auto run = [&] {
        QElapsedTimer timer;
        timer.start();
        while (finished != renderer.StartedRenders() && timer.elapsed() < 60000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return finished == renderer.StartedRenders();
    };
    TStudioView view;
    view.Width = view.Height = 40;
    const TStudioMaterial material = ReadMaterial(shaders);
    renderer.Start(material, view);
    ASSERT_TRUE(run());
    ASSERT_GE(passes.size(), 3u);
    for (size_t i = 1; i < passes.size(); ++i) EXPECT_GE(passes[i].Width, passes[i - 1].Width);
    // The whole picture comes one pass before the last, which refines it.
    const TStudioPass& whole = passes[passes.size() - 2];
    EXPECT_EQ(whole.Width, 40);
    EXPECT_EQ(whole.Height, 40);
    EXPECT_NE(whole.Rgb, passes.back().Rgb);

    // The last pass is the picture a render to a file makes.
    const std::vector<float> preview = passes.back().Rgb;
    passes.clear();
    renderer.Start(material, view, (folder / "whole.png").string());
    ASSERT_TRUE(run());
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_EQ(passes.back().Rgb, preview);
}

TEST_F(Studio, RendersTheMaterialToAnImageFile) {
    ASSERT_TRUE(WaitIdle());
    const fs::path image = folder / "material.png";
    window->RenderToFile(image.string());
    ASSERT_TRUE(WaitIdle());
    ASSERT_TRUE(window->LastOutcome().Completed);
    EXPECT_EQ(window->LastOutcome().Error, "");
    const int32_t handle = hsImageRead(image.c_str());
    ASSERT_NE(handle, 0);
    EXPECT_EQ(hsImageGetWidth(handle), 32);
    hsImageDestroy(handle);

    test::RecordingMessages messages;
    window->RenderToFile((folder / "material.tiff").string());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window->LastOutcome().Error, "the output must end in .png or .exr");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(fs::exists(folder / "material.tiff"));
}

std::string SlotJson(const std::string& shader, const std::string& triggers,
                     const std::string& files) {
    return "{\"shader\": " + shader + ", \"triggers\": " + triggers + ", \"files\": " + files + "}";
}

std::string Triggers(int count, const std::string& item = "[0, 0, 0]") {
    std::string text = "[";
    for (int i = 0; i < count; ++i) text += (i > 0 ? ", " : "") + item;
    return text + "]";
}

const std::string kFiles = R"(["N:*.*", "N:*.*", "N:*.*", "N:*.*", "N:*.*"])";

std::string MaterialText(const std::string& colour,
                         const std::string& head = R"("format": "vandrel-material", "version": 1)",
                         const std::string& extraSlot = "") {
    const std::string plain = SlotJson("\"\"", Triggers(20), kFiles);
    return "{" + head + ", \"slots\": {\"Color\": " + colour + ", \"Transparency\": " + plain +
           ", \"Reflectance\": " + plain + ", \"Displacement\": " + plain + extraSlot + "}}";
}

TEST_F(Studio, DamagedMaterialFilesAreRefusedAndChangeNothing) {
    ASSERT_TRUE(WaitIdle());
    SetTrigger(kColor, "00", {0.25f, 0.5f, 0.75f});
    const TStudioMaterial before = ReadMaterial(shaders);
    const uint64_t renders = window->StartedRenders();
    const std::string good = SlotJson("\"x.xrb\"", Triggers(20), kFiles);
    // The well-formed text itself loads; each case below breaks one thing of it.
    {
        std::string error;
        ASSERT_TRUE(ParseMaterialJson(MaterialText(good), error).has_value()) << error;
    }
    struct Case {
        std::string text;
        const char* error;  // part of the message
    };
    const Case cases[] = {
        {"", "not a material file"},
        {"{\"format\": ", "not a material file"},
        {"[1, 2]", "not an object"},
        {MaterialText(good, R"("format": "something else", "version": 1)"), "\"format\""},
        {MaterialText(good, R"("format": "vandrel-material", "version": 2)"), "version"},
        {MaterialText(good, R"("format": "vandrel-material")"), "version"},
        {MaterialText(good, R"("format": "vandrel-material", "version": 1)",
                      ", \"Colour\": " + good),
         "unknown slot \"Colour\""},
        {R"({"format": "vandrel-material", "version": 1, "slots": {}})", "no slot \"Color\""},
        {R"({"format": "vandrel-material", "version": 1, "slots": []})", "\"slots\""},
        {MaterialText("7"), "slot \"Color\" must be an object"},
        {MaterialText(SlotJson("3", Triggers(20), kFiles)), "\"shader\" must be a text"},
        {MaterialText(SlotJson("\"a\\u0000b\"", Triggers(20), kFiles)), "NUL"},
        {MaterialText(SlotJson("\"" + std::string(5000, 'a') + "\"", Triggers(20), kFiles)),
         "longer than"},
        {MaterialText(SlotJson("\"x\"", Triggers(19), kFiles)), "list of 20 values"},
        {MaterialText(SlotJson("\"x\"", Triggers(21), kFiles)), "list of 20 values"},
        {MaterialText(SlotJson("\"x\"", Triggers(20, "[0, 0]"), kFiles)), "trigger 1 must be"},
        {MaterialText(SlotJson("\"x\"", Triggers(20, "[0, \"1\", 0]"), kFiles)),
         "trigger 1 must be"},
        {MaterialText(SlotJson("\"x\"", Triggers(20, "[0, 1e39, 0]"), kFiles)), "out of range"},
        {MaterialText(SlotJson("\"x\"", Triggers(20), R"(["", "", "", ""])")), "list of 5 texts"},
        {MaterialText(SlotJson("\"x\"", Triggers(20), R"(["", "", "", "", 5])")),
         "file 5 must be a text"},
        {MaterialText(R"({"shader": "x", "files": [], "triggers": [], "extra": 1})"),
         "unknown field \"extra\""},
        {MaterialText(good).append(kMaxMaterialFileBytes, ' '), "larger than 1 MiB"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 200));
        const fs::path file = folder / ("damaged" + std::to_string(n++) + ".json");
        std::ofstream(file, std::ios::binary) << c.text;
        std::string error;
        EXPECT_FALSE(window->LoadMaterial(file.string(), error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_EQ(ReadMaterial(shaders), before);
    }
    std::string error;
    EXPECT_FALSE(window->LoadMaterial((folder / "missing.json").string(), error));
    EXPECT_EQ(error, "cannot read the material file");
    EXPECT_EQ(window->StartedRenders(), renders);

    // Through the command, the message names the file and the fault.
    const fs::path damaged = folder / "damaged0.json";
    test::ScriptedDialogs dialogs;
    dialogs.files.push_back(damaged.string());
    test::RecordingMessages messages;
    window->OpenMaterialCommand();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].starts_with(damaged.string() + ": not a material file"))
        << messages.shown[0];
    EXPECT_EQ(ReadMaterial(shaders), before);
}

TEST_F(Studio, Screenshot) {
    const QString shots = qEnvironmentVariable("VANDREL_SCREENSHOTS");
    if (shots.isEmpty()) GTEST_SKIP() << "VANDREL_SCREENSHOTS is not set";
    SetTrigger(kColor, "00", {0.8f, 0.45f, 0.2f});
    window->SetView(host::ShapeKind::kSphere, 256);
    window->show();
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(window->grab().save(shots + "/studio_window.png"));
}

// The host's side as a user works it: the slot's button opens the plug-in's manager panel, and a
// colour picked there reaches the preview through the plug-in's update request.
TEST_F(Studio, AValueChangedInTheSlotsPanelRestartsThePreview) {
    TXRInterfaceModel exposed;
    exposed.RegisterTrigger(0, kVector);
    const std::string stream = JoinSections({TriggerColourStream(), "", exposed.Serialise()});
    ASSERT_TRUE(SaveShaderFile(shader, stream).ok);
    std::string error;
    ASSERT_TRUE(window->SetSlotShader(kColor, shader.string(), error)) << error;
    ASSERT_TRUE(WaitIdle());

    test::RecordingMessages messages{false};
    test::ScriptedDialogs dialogs;
    dialogs.colors.push_back(std::array<double, 3>{0, 0, 1});
    TPluginWindows* const previous = Plugin().Windows;
    Plugin().Windows = &QtPluginWindows();
    window->OpenPanelCommand(kColor);
    TMainForm* panel = QtPluginWindows().Panel(kColor);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->windowTitle().toStdString(), "Vandrel [Color]");
    EXPECT_EQ(panel->ShaderFile(), shader.string());
    ASSERT_EQ(panel->InterfacePanel()->Components().size(), 1u);

    const uint64_t before = window->StartedRenders();
    panel->InterfacePanel()->Components()[0]->PickColor();
    ASSERT_TRUE(WaitIdle());
    EXPECT_GT(window->StartedRenders(), before);
    const auto c = Centre();
    EXPECT_GT(c[2], c[0] + 0.15f);
    EXPECT_GT(c[2], c[1] + 0.15f);

    QtPluginWindows().ClosePanel(kColor);
    EXPECT_EQ(QtPluginWindows().Panel(kColor), nullptr);
    QtPluginWindows().CloseAll();
    Plugin().Windows = previous;
}

// "Object: Mesh...": the preview shows the model in place of the object; a file that cannot be
// used is reported and leaves the view as it was.
TEST_F(Studio, ThePreviewShowsAMeshFile) {
    ASSERT_TRUE(WaitIdle());
    const std::vector<float> sphere = window->FinishedPass().Rgb;
    test::WriteText(folder / "octahedron.obj", test::OctahedronObj());
    test::WriteText(folder / "broken.obj", "v 0 0 0\n");
    test::ScriptedDialogs dialogs;
    test::RecordingMessages messages;
    dialogs.files.push_back((folder / "broken.obj").string());
    window->MeshCommand();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].starts_with((folder / "broken.obj").string() + ": "))
        << messages.shown[0];
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window->FinishedPass().Rgb, sphere);

    dialogs.files.push_back((folder / "octahedron.obj").string());
    window->MeshCommand();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(messages.shown.size(), 1u);
    ASSERT_EQ(window->FinishedPass().Rgb.size(), sphere.size());
    EXPECT_NE(window->FinishedPass().Rgb, sphere);
}

// "Bake to File...": the chosen slot's shader baked into the file the dialog names, on the UV
// plane while the object is a shape and in the mesh's UV layout (its chart padded by 4 pixels)
// once it is a mesh; a slot without a shader or a name no map format has is reported, and the
// preview runs again afterwards.
TEST_F(Studio, BakesTheChosenSlotToAMapFile) {
    const fs::path uv = folder / "uv.xrb";
    ASSERT_TRUE(SaveShaderFile(uv, test::UVColourStream()).ok);
    std::string error;
    ASSERT_TRUE(window->SetSlotShader(kColor, uv.string(), error)) << error;
    ASSERT_TRUE(WaitIdle());
    constexpr int kSide = 16;
    window->SetBakeOptions(kColor, kSide);

    test::RecordingMessages messages;
    test::ScriptedDialogs dialogs;
    dialogs.files.push_back((folder / "plane.png").string());
    window->BakeToFileCommand();
    // The left half of the layout: a chart 8 pixels wide.
    test::WriteText(folder / "half.obj",
                    "v 0 0 0\nv 1 0 0\nv 1 2 0\nv 0 2 0\nvt 0 0\nvt 0.5 0\nvt 0.5 1\nvt 0 1\n"
                    "f 1/1 2/2 3/3 4/4\n");
    ASSERT_TRUE(window->SetMesh((folder / "half.obj").string(), error)) << error;
    ASSERT_TRUE(WaitIdle());
    dialogs.files.push_back((folder / "mesh.png").string());
    window->BakeToFileCommand();
    EXPECT_EQ(messages.shown, std::vector<std::string>{});
    ASSERT_EQ(dialogs.saves.size(), 2u);
    EXPECT_EQ(dialogs.saves[0].Title, "Bake to File");
    EXPECT_TRUE(window->Busy());  // the preview again
    ASSERT_TRUE(WaitIdle());

    const auto srgb8 = [](double linear) {
        return static_cast<int>(std::lround(test::SrgbEncoded(linear) * 255));
    };
    const int32_t plane = hsImageRead((folder / "plane.png").c_str());
    const int32_t mesh = hsImageRead((folder / "mesh.png").c_str());
    ASSERT_NE(plane, 0);
    ASSERT_NE(mesh, 0);
    ASSERT_EQ(hsImageGetWidth(plane), kSide);
    ASSERT_EQ(hsImageGetWidth(mesh), kSide);
    for (int j = 0; j < kSide; ++j) {
        for (int i = 0; i < kSide; ++i) {
            SCOPED_TRACE(std::to_string(i) + "," + std::to_string(j));
            const double v = 1 - (j + 0.5) / kSide;
            const auto expect = [&](uint32_t pixel, double u) {
                EXPECT_NEAR(static_cast<int>(pixel & 0xFF), srgb8(u), 1);
                EXPECT_NEAR(static_cast<int>(pixel >> 8 & 0xFF), srgb8(v), 1);
            };
            expect(hsImageGetPixel(plane, i, j), (i + 0.5) / kSide);
            const uint32_t onMesh = hsImageGetPixel(mesh, i, j);
            if (i < 8) {
                expect(onMesh, (i + 0.5) / kSide);
            } else if (i < 12) {
                expect(onMesh, 7.5 / kSide);  // the padding repeats the chart's edge
            } else {
                EXPECT_EQ(onMesh & 0xFFFFFF, 0u);
            }
        }
    }
    hsImageDestroy(plane);
    hsImageDestroy(mesh);

    window->SetBakeOptions(kReflectance, kSide);
    dialogs.files.push_back((folder / "empty.png").string());
    window->BakeToFileCommand();
    window->SetBakeOptions(kColor, kSide);
    dialogs.files.push_back((folder / "map.jpg").string());
    window->BakeToFileCommand();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_NE(messages.shown[0].find("Reflectance slot has no shader"), std::string::npos)
        << messages.shown[0];
    EXPECT_NE(messages.shown[1].find(".png, .exr, .tif or .tiff"), std::string::npos)
        << messages.shown[1];
    EXPECT_FALSE(fs::exists(folder / "empty.png"));
    EXPECT_FALSE(fs::exists(folder / "map.jpg"));
}

}  // namespace
}  // namespace vandrel::studio
