// Splines through up to five knots.
#pragma once

#include "core/component.h"

namespace vandrel {}  // namespace vandrel
