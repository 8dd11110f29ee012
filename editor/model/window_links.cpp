#include "editor/model/window_links.h"

namespace vandrel {

TWindowLinks& WindowLinks() {
    static TWindowLinks links;
    return links;
}

}  // namespace vandrel
