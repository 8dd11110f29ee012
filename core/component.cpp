#include "core/component.h"

#include <charconv>

#include "core/check.h"
#include "core/language.h"
#include "core/thread_record.h"

namespace vandrel {

namespace {

std::string Key(const char* prefix, int32_t prop) { return prefix + std::to_string(prop); }

}  // namespace

TXRComponent::~TXRComponent() = default;

std::string TXRComponent::GetTitle() const {
    return Language().Get(Section.data(), "Title", "Error");
}

std::string TXRComponent::GetTitleHint() const {
    return Language().Get(Section.data(), "THint", GetTitle());
}

std::string TXRComponent::GetEnumItems(int32_t prop) const {
    return Language().Get(Section.data(), Key("Enum", prop), "Error");
}

std::string TXRComponent::GetPropertyName(int32_t prop) const {
    return Language().Get(Section.data(), Key("Prop", prop), "Error");
}

std::string TXRComponent::GetPropertyHint(int32_t prop) const {
    return Language().Get(Section.data(), Key("Hint", prop), GetPropertyName(prop));
}

std::string TXRComponent::GetPartLetters(int32_t prop) const {
    return Language().Get(Section.data(), Key("Comp", prop), "XYZ");
}

void TXRComponent::SetTypeId(int32_t id) {
    TypeId = id;
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text, id);
    const size_t length = std::min<size_t>(static_cast<size_t>(result.ptr - text), 4);
    Section.fill('\0');
    std::copy(text, text + length, Section.begin());
}

void TXRComponent::Bind(TThreadRecord* record, TShaderInstance* instance) {
    Context = record;
    Instance = instance;
    RandomSeed = {record != nullptr ? &RecordRandomSeed : nullptr, record};
    RandomNext = {record != nullptr ? &RecordRandomNext : nullptr, record};
}

void TXRPropertyComponent::SetStorage(const Storage& storage) {
    inputs_ = storage.inputs;
    constants_ = storage.constants;
    output_ = storage.output;
    enums_ = storage.enums;
    enumRefs_ = storage.enumRefs;
}

void TXRPropertyComponent::Create() {
    for (int32_t p = 0; p < layout_->propertyCount; ++p) {
        const PropertySlot& slot = layout_->properties[p];
        if (slot.kind == kEnumeration || slot.kind == kFile) {
            enums_[slot.first] = ToInt32(specs_[p].defaults[0]);
            enumRefs_[slot.first] = nullptr;
            continue;
        }
        for (int k = 0; k < slot.count; ++k) {
            constants_[slot.first + k] = specs_[p].defaults[k];
            inputs_[slot.first + k] = &constants_[slot.first + k];
        }
    }
    for (int32_t k = 0; k < layout_->outputCount; ++k) output_[k] = 0.0f;
}

float* TXRPropertyComponent::ConstantAddress(int32_t prop) {
    const PropertySlot* slot = SlotOf(prop);
    if (slot == nullptr || slot->count == 0) return nullptr;
    return &constants_[slot->first];
}

int32_t TXRPropertyComponent::GetEnumValue(int32_t prop) const {
    const PropertySlot* slot = SlotOf(prop);
    if (slot == nullptr || (slot->kind != kEnumeration && slot->kind != kFile)) return 0;
    return enums_[slot->first];
}

float* TXRPropertyComponent::InputAddress(int32_t prop, int32_t part) const {
    const PropertySlot* slot = SlotOf(prop);
    if (slot == nullptr) return nullptr;
    if (slot->kind == kEnumeration) return enumRefs_[slot->first];
    if (slot->count == 0) return nullptr;
    if (slot->kind == kNumerical || part == kWholeProperty) return inputs_[slot->first];
    if (part < 0 || part >= slot->count) return nullptr;
    return inputs_[slot->first + part];
}

void TXRPropertyComponent::Connect(int32_t prop, int32_t part, float* source) {
    const PropertySlot* slot = SlotOf(prop);
    if (slot == nullptr) return;
    // A component never reads its own output: the tree refuses such a link as a cycle.
    VANDREL_DCHECK(source == nullptr || !ReadsOwnOutput(source));
    if (slot->kind == kEnumeration) {
        enumRefs_[slot->first] = source;
        return;
    }
    if (slot->count == 0) return;  // File properties cannot be connected
    const int first = slot->first;
    if (slot->kind == kNumerical) {
        inputs_[first] = source != nullptr ? source : &constants_[first];
    } else if (part == kWholeProperty) {
        for (int k = 0; k < slot->count; ++k) {
            inputs_[first + k] = source != nullptr ? source + k : &constants_[first + k];
        }
    } else if (part >= 0 && part < slot->count) {
        inputs_[first + part] = source != nullptr ? source : &constants_[first + part];
    }
}

void TXRPropertyComponent::SetConstant(int32_t prop, int32_t part, float value) {
    const PropertySlot* slot = SlotOf(prop);
    if (slot == nullptr || slot->count == 0) return;
    if (slot->kind == kNumerical) {
        constants_[slot->first] = value;
    } else if (part == kWholeProperty) {
        for (int k = 0; k < slot->count; ++k) constants_[slot->first + k] = value;
    } else if (part >= 0 && part < slot->count) {
        constants_[slot->first + part] = value;
    }
}

void TXRPropertyComponent::SetEnumValue(int32_t prop, int32_t value) {
    const PropertySlot* slot = SlotOf(prop);
    if (slot == nullptr || (slot->kind != kEnumeration && slot->kind != kFile)) return;
    enums_[slot->first] = value;
}

int32_t TXRPropertyComponent::PropertyKind(int32_t prop) const {
    const PropertySlot* slot = SlotOf(prop);
    return slot != nullptr ? slot->kind : kUndefined;
}

bool TXRPropertyComponent::IsIntegerProperty(int32_t prop) const {
    const PropertySlot* slot = SlotOf(prop);
    return slot != nullptr && slot->whole;
}

void TXRPropertyComponent::RefreshEnums() {
    for (int32_t e = 0; e < layout_->enumCount; ++e) {
        if (enumRefs_[e] != nullptr) enums_[e] = RoundHalfEven(*enumRefs_[e]);
    }
}

}  // namespace vandrel
