// Cellular, birdshot and crystallize components.
#pragma once

#include "core/component.h"

namespace vandrel {}  // namespace vandrel
