// Illumination and ray tracing.
#pragma once

#include "core/component.h"

namespace vandrel {}  // namespace vandrel
