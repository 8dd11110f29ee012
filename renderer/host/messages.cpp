// The plug-in's message boxes in a host without windows: printed, or handed to the listener.
#include <cstdio>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "hostapi/hostapi.h"
#include "renderer/host/host_state.h"

namespace vandrel::host {

namespace {

struct TMessageState {
    std::mutex mutex;
    std::shared_ptr<const MessageListener> listener;
    std::set<std::string, std::less<>> printed;
};

TMessageState& M() {
    static TMessageState* state = new TMessageState;  // messages may come while the process exits
    return *state;
}

std::shared_ptr<const MessageListener> Listener() {
    TMessageState& m = M();
    const std::lock_guard lock(m.mutex);
    return m.listener;
}

// Each distinct text once, so that a hostile shader cannot flood the terminal.
void Print(MessageKind kind, std::string_view text) {
    TMessageState& m = M();
    const std::lock_guard lock(m.mutex);
    if (!m.printed.emplace(text).second) return;
    std::fprintf(stderr, "%s: %.*s\n", kind == MessageKind::kError ? "error" : "warning",
                 static_cast<int>(text.size()), text.data());
}

bool Deliver(MessageKind kind, const char* text) {
    const std::string_view view = text != nullptr ? text : "";
    try {
        if (const auto listener = Listener()) return (*listener)(kind, view);
        Print(kind, view);
    } catch (...) {
        // Out of memory: the message is lost, the caller goes on.
    }
    return false;
}

}  // namespace

MessageListener SetMessageListener(MessageListener listener) {
    TMessageState& m = M();
    auto next = listener ? std::make_shared<const MessageListener>(std::move(listener)) : nullptr;
    const std::lock_guard lock(m.mutex);
    auto previous = std::exchange(m.listener, std::move(next));
    return previous ? *previous : MessageListener{};
}

}  // namespace vandrel::host

using vandrel::host::Deliver;
using vandrel::host::MessageKind;

extern "C" {

void hxShowMessage(const char* text, const char* caption, int32_t icon) {
    (void)caption;
    Deliver(icon == 0 ? MessageKind::kError : MessageKind::kWarning, text);
}

int32_t hxAskQuestion(const char* text, const char* caption) {
    (void)caption;
    return Deliver(MessageKind::kQuestion, text) ? 1 : 0;
}

}  // extern "C"
