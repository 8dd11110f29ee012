// The component factory: creates a component from its type id.
//
// Built-in ids create their class with every default. Any other id is looked up in the custom
// table of the tree being built; an id found nowhere is reported through Messages and yields
// nothing, and the caller gives up building the shader.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "core/catalogue.h"
#include "core/component.h"

namespace vandrel {

// What the factory needs from a tree: its custom component definitions.
class TCustomComponentSource {
  public:
    virtual ~TCustomComponentSource() = default;
    virtual std::unique_ptr<TXRComponent> CreateCustomComponent(int32_t typeId) = 0;
};

// The creator of a built-in id: the blank component (0), the root (1) and every catalogue row;
// null for any other id.
ComponentCreator FindBuiltinCreator(int32_t id);

std::unique_ptr<TXRComponent> CreateComponent(int32_t id,
                                              TCustomComponentSource* customs = nullptr);

}  // namespace vandrel
