// Vector and shape patterns and mosaics.
#pragma once

#include "core/component.h"

namespace vandrel {}  // namespace vandrel
