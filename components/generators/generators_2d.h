// Two-dimensional generators and fractals.
#pragma once

#include "core/component.h"

namespace vandrel {}  // namespace vandrel
