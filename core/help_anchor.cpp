#include "core/help_anchor.h"

#include <cctype>

namespace vandrel {

std::string HelpKeyAnchor(std::string_view key) {
    std::string anchor;
    bool gap = false;
    for (const char c : key) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) && u < 128) {
            if (gap && !anchor.empty()) anchor += '-';
            anchor += static_cast<char>(std::tolower(u));
            gap = false;
        } else {
            gap = true;
        }
    }
    return anchor;
}

}  // namespace vandrel
