// Textures, images, bump and audio.
#pragma once

#include "core/component.h"

namespace vandrel {}  // namespace vandrel
