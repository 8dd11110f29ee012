// libFuzzer target: an arbitrary shader stream is read by every reader of the core, built into a
// tree and evaluated once for every output type.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "components/registry.h"
#include "core/context.h"
#include "core/editor_source.h"
#include "core/messages.h"
#include "core/stream_sections.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "core/tree_section.h"
#include "interface/interface_string.h"

namespace {

class SilentMessages final : public vandrel::Messages {
  public:
    void Show(std::string_view, vandrel::MessageIcon, std::string_view) override {}
    bool Ask(std::string_view, std::string_view) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vandrel::InstallComponents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SilentMessages silent;
    vandrel::InstallMessages(&silent);
    const std::string_view stream(reinterpret_cast<const char*>(data), size);

    vandrel::Scan(stream);
    vandrel::WriteEditorSource(
        vandrel::ParseEditorSource(vandrel::StreamSection(stream, vandrel::kEditorSourceSection)));
    vandrel::SerialiseInterfaceString(
        vandrel::ParseInterfaceString(vandrel::StreamSection(stream, vandrel::kInterfaceSection)));
    vandrel::ParseCategories(vandrel::StreamSection(stream, vandrel::kCategoriesSection));
    vandrel::SplitCustomSection(vandrel::StreamSection(stream, vandrel::kCustomSection));
    vandrel::TThreadRecord record;
    vandrel::TXRTree tree;
    tree.Context = &record;
    if (tree.BuildFromStream(stream)) {
        for (int32_t type = 0; type < vandrel::kOutputTypeCount; ++type) {
            tree.Evaluate(vandrel::OutputTypeMask(type));
        }
        const std::string written = tree.WriteTree();
        vandrel::TXRTree again;
        again.Context = &record;
        again.BuildFromStream("XR" + written);
    }
    return 0;
}
