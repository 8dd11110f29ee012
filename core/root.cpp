#include "core/root.h"

#include "core/context.h"

namespace vandrel {

namespace {

void Store(float* target, const TVec3& v) {
    target[0] = static_cast<float>(v.x);
    target[1] = static_cast<float>(v.y);
    target[2] = static_cast<float>(v.z);
}

}  // namespace

void TXRCRoot::Evaluate(bool inHost) {
    (void)inHost;
    if (Context == nullptr) return;
    float* vars = Context->Variables.data();
    // In this order: a later property may read an output variable written by an earlier step.
    Store(vars + kColorOutFloat, Vec(kRootColor));
    Store(vars + kTrOutFloat, Vec(kRootTransparencyFilter));
    if (DisplacementMode() == 0) Store(vars + kSNormFloat, Vec(kRootNormal));
    vars[kAlphaFloat] = static_cast<float>(Num(kRootAlpha));
    EvaluationMode();  // keeps a trigger-fed value current for the instance
}

}  // namespace vandrel
