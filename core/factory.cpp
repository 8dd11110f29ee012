#include "core/factory.h"

#include <cstdio>
#include <string>

#include "core/messages.h"
#include "core/root.h"

namespace vandrel {

namespace {

constexpr const char* kSupportLine =
    "Please mail the shader file and what you were doing to support@vandrel.org.";

std::string NonExistingMessage(int32_t id) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(id) & 0xFFFFu);
    return std::string("Trying to create a non-existing component (") + digits + ").\n" +
           kSupportLine;
}

}  // namespace

ComponentCreator FindBuiltinCreator(int32_t id) {
    switch (id) {
        case 0:
            return [] { return std::make_unique<TXRComponent>(); };
        case TXRCRoot::kTypeId:
            return [] { return std::unique_ptr<TXRComponent>(new TXRCRoot); };
        default: {
            const CatalogueRow* row = FindCatalogueRow(id);
            return row != nullptr ? row->create : nullptr;
        }
    }
}

std::unique_ptr<TXRComponent> CreateComponent(int32_t id, TCustomComponentSource* customs) {
    std::unique_ptr<TXRComponent> component;
    if (ComponentCreator create = FindBuiltinCreator(id)) {
        component = create();
    } else if (customs != nullptr) {
        component = customs->CreateCustomComponent(id);
    }
    if (component == nullptr) {
        ShowError(NonExistingMessage(id));
        return nullptr;
    }
    component->SetTypeId(id);
    return component;
}

}  // namespace vandrel
