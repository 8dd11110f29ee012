// Custom components: saved subtrees used as one component.
#pragma once

#include "core/tree.h"
