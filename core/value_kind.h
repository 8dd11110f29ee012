// Value kinds of properties, outputs and context variables, and the part numbering.
#pragma once

#include <cstdint>

namespace vandrel {

enum ValueKind : int32_t {
    kNone = 0,         // nothing: the output kind of the root component
    kUndefined = 1,    // base-class default; no concrete component reports it
    kNumerical = 2,    // one float
    kUV = 3,           // two floats, U then V
    kVector = 4,       // three floats: X, Y, Z or R, G, B
    kEnumeration = 6,  // an integer choosing one item of a list
    kTrigger = 7,      // a numerical context variable fed from the shader interface
    kFile = 8,         // an integer choosing one of the shader's exposed files (-1 = none)
};

// Part -1 addresses a whole UV or Vector property; 0, 1, 2 its scalars.
inline constexpr int kWholeProperty = -1;

// Number of floats a value of this kind occupies (0 for kinds without a float value).
constexpr int FloatCount(int32_t kind) {
    switch (kind) {
        case kNumerical:
        case kTrigger:
            return 1;
        case kUV:
            return 2;
        case kVector:
            return 3;
        default:
            return 0;
    }
}

}  // namespace vandrel
