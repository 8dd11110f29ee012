// Small shaders the renderer tests build as the editor builds them, and the sRGB curve their
// pictures are encoded with.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>

#include "core/context.h"
#include "core/factory.h"
#include "core/root.h"
#include "core/thread_record.h"
#include "core/tree.h"

namespace vandrel::test {

// A shader built from a root and what feeds it.
struct ShaderBuilder {
    TThreadRecord record;
    TXRTree tree;
    TXRComponent* root;
    ShaderBuilder() {
        tree.Context = &record;
        root = tree.AddComponent(CreateComponent(TXRCRoot::kTypeId));
    }
    void Var(int32_t prop, int32_t part, int32_t variable) {
        root->Connect(prop, part, VariableAddress(&record, variable));
    }
    std::string Stream() {
        tree.SetRoot(root);
        return "XR" + tree.WriteTree();
    }
};

// Colour = (UV.U, UV.V, 0): linear, so a pixel's samples average to their mean position.
inline std::string UVColourStream() {
    ShaderBuilder b;
    b.Var(kRootColor, 0, kVarUV);
    b.Var(kRootColor, 1, kVarUVV);
    return b.Stream();
}

inline double SrgbEncoded(double linear) {
    linear = std::clamp(linear, 0.0, 1.0);
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

}  // namespace vandrel::test
