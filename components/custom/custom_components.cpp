#include "components/custom/custom_components.h"

namespace vandrel {

// No custom component class exists yet: every custom id is reported as unknown by the factory.
std::unique_ptr<TXRComponent> CreateCustomComponentFrom(TXRTree&, const TCustomDefinition&) {
    return nullptr;
}

}  // namespace vandrel
