#include "core/messages.h"

#include <atomic>
#include <string>

#include "hostapi/hostapi.h"

namespace vandrel {

namespace {

THostMessages& DefaultSink() {
    static THostMessages sink;
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

void THostMessages::Show(std::string_view text, MessageIcon icon, std::string_view caption) {
    // The host wants NUL-terminated texts.
    const std::string message(text), title(caption);
    hxShowMessage(message.c_str(), title.c_str(),
                  icon == MessageIcon::Error         ? 0
                  : icon == MessageIcon::Exclamation ? 1
                                                     : 2);
}

bool THostMessages::Ask(std::string_view text, std::string_view caption) {
    const std::string message(text), title(caption);
    return hxAskQuestion(message.c_str(), title.c_str()) != 0;
}

}  // namespace vandrel
