// The anchor name of a keyword in the component index of the help. The generator of the help
// pages and the help router both use it, so a keyword always opens the entry written for it.
#pragma once

#include <string>
#include <string_view>

namespace vandrel {

// Lower-case letters and digits; every other run of characters one "-", none at either end
// ("Gauss' Function (1D)" -> "gauss-function-1d"). Bytes outside ASCII count as separators.
std::string HelpKeyAnchor(std::string_view key);

}  // namespace vandrel
