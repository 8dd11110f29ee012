#include "host/plugin.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "core/context.h"
#include "core/instance.h"
#include "core/messages.h"
#include "core/shader_file.h"
#include "hostapi/hostapi.h"
#include "renderer/host/host_state.h"
#include "test_support.h"

extern "C" void hxShaderInitialize(hxShaderDescriptor*, int32_t, int32_t*);

namespace vandrel {
namespace {

TEST(Plugin, ExportsOnlyTheEntry) {
    std::istringstream symbols(
        test::CommandOutput(std::string("nm -D --defined-only ") + VANDREL_PLUGIN_PATH));
    std::vector<std::string> names;
    // Lower-case types are local symbols the linker keeps in the table for the libraries the
    // plug-in uses (the windows' Qt); nothing else can bind to them.
    for (std::string line; std::getline(symbols, line);) {
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        if (!type.empty() && std::isupper(static_cast<unsigned char>(type[0])) != 0) {
            names.push_back(name);
        }
    }
    EXPECT_EQ(names, std::vector<std::string>{"hxShaderInitialize"});
}

// Registers the four shaders as a host does; the fifth call gets counter -1.
class Registration : public ::testing::Test {
  protected:
    void SetUp() override {
        int32_t counter = 0;
        for (int i = 0; i < 5; ++i) {
            counters[i] = counter;
            hxShaderInitialize(&d[i], 100 + i, &counter);
        }
        outCounter = counter;
    }
    hxShaderDescriptor d[5];
    int32_t counters[5];
    int32_t outCounter;
};

TEST_F(Registration, FourCategoriesThenNoMore) {
    const int32_t categories[4] = {1, 2, 3, 4};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(counters[i], i);
        EXPECT_EQ(d[i].category, categories[i]);
        EXPECT_STREQ(d[i].name, "FSW Vandrel");
        EXPECT_EQ(d[i].one, 1);
        EXPECT_EQ(d[i].two, 2);
        EXPECT_EQ(d[i].parameterCount, 27);
        EXPECT_NE(d[i].shade, nullptr);
    }
    EXPECT_EQ(counters[4], -1);
    EXPECT_EQ(outCounter, -1);
    // The fifth: zero but for the name, the constants and the tables; no callbacks.
    EXPECT_EQ(d[4].category, 0);
    EXPECT_EQ(d[4].panel, nullptr);
    EXPECT_EQ(d[4].shade, nullptr);
    EXPECT_STREQ(d[4].name, "FSW Vandrel");
    EXPECT_EQ(Plugin().ShaderHandles[kColor], 100);
    EXPECT_EQ(Plugin().ShaderHandles[kDisplacement], 103);
    // Different output types get different callbacks.
    EXPECT_NE(d[0].getParameter, d[1].getParameter);
}

TEST_F(Registration, ParameterTable) {
    const char* const* names = d[0].parameterNames;
    const int32_t* types = d[0].parameterTypes;
    EXPECT_STREQ(names[0], "Data");
    EXPECT_EQ(types[0], 9);
    EXPECT_STREQ(names[1], "Aux");
    EXPECT_EQ(types[1], 2);
    EXPECT_STREQ(names[2], "00");
    EXPECT_STREQ(names[21], "19");
    EXPECT_EQ(types[21], 10);
    EXPECT_STREQ(names[22], "S0");
    EXPECT_STREQ(names[26], "S4");
    EXPECT_EQ(types[26], 9);
}

TEST_F(Registration, GetAndSetParameters) {
    const hxShaderDescriptor& color = d[0];
    const uint8_t aux = 41;
    color.setParameter("Aux", &aux);
    EXPECT_EQ(*static_cast<uint8_t*>(color.getParameter("Aux")), 42);

    color.setParameter("Data", "/nowhere/Marble.xrb");
    color.setParameter("Data", "/NOWHERE/marble.XRB");  // other capitals: the same shader
    EXPECT_STREQ(static_cast<char*>(color.getParameter("Data")), "/nowhere/Marble.xrb");

    const float values[3] = {0.5f, 1.5f, -2.0f};
    color.setParameter("13", values);
    const auto* read = static_cast<float*>(color.getParameter("13"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read[1], 1.5f);
    EXPECT_EQ(std::memcmp(read, Plugin().Interface.OutputValues(kColor)->Triggers[13].data(), 12),
              0);
    // Another output type keeps its own values.
    EXPECT_NE(static_cast<float*>(d[1].getParameter("13"))[1], 1.5f);

    color.setParameter("S3", "T:/textures/wood.png");
    EXPECT_STREQ(static_cast<char*>(color.getParameter("S3")), "T:/textures/wood.png");

    for (const char* unknown : {"", "X", "S", "S9", "2", "0x", "Z1"}) {
        EXPECT_EQ(color.getParameter(unknown), nullptr) << unknown;
        color.setParameter(unknown, values);  // nothing happens, nothing breaks
    }
    EXPECT_EQ(color.getParameter(nullptr), nullptr);
}

TEST_F(Registration, UpdateDuringARenderArrivesOnceAtItsEnd) {
    host::TakeShaderUpdates();
    RequestUpdate(kTransparency);
    EXPECT_EQ(host::TakeShaderUpdates(), std::vector<int32_t>{101});

    d[0].shade(0, nullptr, 0);  // begin of render
    RequestUpdate(kTransparency);
    RequestUpdate(kTransparency);
    EXPECT_TRUE(host::TakeShaderUpdates().empty());
    d[0].shade(0, nullptr, 1);  // end of render
    EXPECT_EQ(host::TakeShaderUpdates(), std::vector<int32_t>{101});
    d[1].shade(0, nullptr, 1);
    EXPECT_TRUE(host::TakeShaderUpdates().empty());
}

TEST_F(Registration, UpdateCounterWrapsAtEightBits) {
    const uint8_t aux = 254;
    d[0].setParameter("Aux", &aux);  // 255
    RequestUpdate(kColor);
    EXPECT_EQ(*static_cast<uint8_t*>(d[0].getParameter("Aux")), 0);
    host::TakeShaderUpdates();
}

TEST_F(Registration, ShadingThroughTheCallbacks) {
    const int32_t material = host::CreateMaterial();
    host::SetTextParameter(material, kDataParameter, "/nowhere/none.xrb");  // the default shader
    hxShadingRecord h{};
    h.colorIn[0] = 0.7f;
    h.filterIn[2] = 0.4f;
    h.shadingNormal[1] = 1.0f;
    h.alpha = 0.2f;
    d[0].shade(material, nullptr, 0);
    d[0].shade(material, &h, 3);
    d[1].shade(material, &h, 4);
    d[3].shade(material, &h, 3);
    d[0].shade(material, &h, 2);  // another call kind: nothing
    EXPECT_EQ(h.colorOut[0], 0.7f);
    EXPECT_EQ(h.filterOut[2], 0.4f);
    EXPECT_EQ(h.alpha, 1.0f);
    EXPECT_EQ(h.shadingNormal[1], 1.0f);
    EXPECT_EQ(Registry().RecordCount(), 1u);
    d[0].shade(material, nullptr, 1);
    EXPECT_EQ(Registry().RecordCount(), 0u);
}

// What is thrown while a shader is built or a sample shaded (here by the message sink, as an
// allocation would) stays inside the plug-in: the host's record is left as it was.
TEST_F(Registration, NothingThrownReachesTheHost) {
    class TThrowing final : public Messages {
        void Show(std::string_view, MessageIcon, std::string_view) override {
            throw std::bad_alloc();
        }
        bool Ask(std::string_view, std::string_view) override { throw std::bad_alloc(); }
    } throwing;
    Messages* previous = InstallMessages(&throwing);
    const std::string path = "/tmp/vandrel_throwing_" + std::to_string(getpid()) + ".xrb";
    ASSERT_TRUE(SaveShaderFile(path, "XR00020FFF00000F000101C0F3F800000000F").ok);  // unknown id
    const int32_t material = host::CreateMaterial();
    host::SetTextParameter(material, kDataParameter, path);
    host::SetTextParameter(material, kFirstFileParameter, "T:/nowhere/missing.png");
    hxShadingRecord h{};
    h.colorOut[0] = 0.25f;
    for (int sample = 0; sample < 2; ++sample) {
        EXPECT_NO_THROW(d[0].shade(material, nullptr, 0));
        EXPECT_NO_THROW(d[0].shade(material, &h, 3));
        EXPECT_NO_THROW(d[0].shade(material, nullptr, 1));
    }
    EXPECT_EQ(h.colorOut[0], 0.25f);
    InstallMessages(previous);
    std::remove(path.c_str());
}

// An old host: the shader registers but does nothing. Run in a child process, since the plug-in
// reads the host version when it is loaded.
TEST(Plugin, OldHostRegistersButStaysDisabled) {
    char path[] = "/tmp/vandrel_version_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(fd, 2);
        host::SetVersion(420);
        void* plugin = dlopen(VANDREL_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        auto* init =
            plugin != nullptr
                ? reinterpret_cast<hxShaderInitializeFunction>(dlsym(plugin, "hxShaderInitialize"))
                : nullptr;
        if (init == nullptr) _exit(10);
        hxShaderDescriptor d{};
        int32_t counter = 0;
        init(&d, 7, &counter);
        if (d.category != 1 || d.shade == nullptr || counter != 1) _exit(11);
        const int32_t material = host::CreateMaterial();
        hxShadingRecord h{};
        h.colorIn[0] = 0.5f;
        d.shade(material, nullptr, 0);
        d.shade(material, &h, 3);
        if (h.colorOut[0] != 0.0f) _exit(12);  // untouched
        d.panel(1);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    close(fd);
    const std::string text = test::FileBytes(path);
    unlink(path);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(text.find("Vandrel requires host version 4.3 or higher"), std::string::npos);
}

}  // namespace
}  // namespace vandrel
