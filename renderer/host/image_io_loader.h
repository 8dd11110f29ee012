// The image module, loaded from the folder of the host library on first use.
#pragma once

#include <string>

#include "renderer/imageio/image_io.h"

namespace vandrel::host {

// The module's operations, or null when it cannot be loaded (the reason then in *error when
// given). Safe from any thread; loads at most once.
const TImageIo* ImageIo(std::string* error = nullptr);

}  // namespace vandrel::host
