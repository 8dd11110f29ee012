#include "core/messages.h"

#include <atomic>
#include <cstdio>

namespace vandrel {

namespace {

TStderrMessages& DefaultSink() {
    static TStderrMessages sink;
    return sink;
}

std::atomic<Messages*> gSink{nullptr};

}  // namespace

Messages& CurrentMessages() {
    Messages* sink = gSink.load(std::memory_order_acquire);
    return sink != nullptr ? *sink : DefaultSink();
}

Messages* InstallMessages(Messages* sink) {
    return gSink.exchange(sink, std::memory_order_acq_rel);
}

void TStderrMessages::Show(std::string_view text, MessageIcon icon, std::string_view caption) {
    (void)caption;
    std::lock_guard lock(mutex_);
    if (!shown_.emplace(text).second) return;
    const char* prefix = icon == MessageIcon::Error ? "error" : "warning";
    std::fprintf(stderr, "%s: %.*s\n", prefix, static_cast<int>(text.size()), text.data());
}

bool TStderrMessages::Ask(std::string_view text, std::string_view caption) {
    Show(text, MessageIcon::Exclamation, caption);
    return false;
}

}  // namespace vandrel
