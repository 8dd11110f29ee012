// Colour effects.
#pragma once

#include "core/component.h"

namespace vandrel {}  // namespace vandrel
