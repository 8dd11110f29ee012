// The component model: every node of a shader tree derives from TXRComponent.
//
// A component has a fixed number of properties (its inputs) and one output. Each part of a
// Numerical, UV or Vector property has an input reference: the address of one float, which points
// at the component's own constant, at a part of another component's output or at a context
// variable; it is never null. Evaluation reads every property through its reference, so a
// connection costs one indirection and no copying.
//
// Concrete classes do not implement the virtual operations one by one: they declare a property
// table (name, kind, default, whole-count flag, part letters) and derive from TXRTableComponent,
// which computes the storage layout at compile time; TXRPropertyComponent implements the operations
// once, from that table. A class then writes its Evaluate and nothing else unless it needs more.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "core/numbers.h"
#include "core/value_kind.h"
#include "core/vec.h"

namespace vandrel {

struct TThreadRecord;
class TShaderInstance;

// A function bound to its target object: the record whose generator the component uses.
struct TBoundRandomSeed {
    void (*Code)(TThreadRecord*, int32_t) = nullptr;
    TThreadRecord* Target = nullptr;
    void operator()(int32_t seed) const {
        if (Code != nullptr) Code(Target, seed);
    }
};
struct TBoundRandomNext {
    double (*Code)(TThreadRecord*) = nullptr;
    TThreadRecord* Target = nullptr;
    double operator()() const { return Code != nullptr ? Code(Target) : 0.0; }
};

class TXRComponent {
  public:
    TThreadRecord* Context = nullptr;
    TShaderInstance* Instance = nullptr;
    TBoundRandomSeed RandomSeed;
    TBoundRandomNext RandomNext;
    int32_t TypeId = 0;
    std::array<char, 5> Section{};  // decimal type id, at most four characters

    TXRComponent() = default;
    TXRComponent(const TXRComponent&) = delete;
    TXRComponent& operator=(const TXRComponent&) = delete;
    virtual ~TXRComponent();

    // The operations in slot order.
    virtual int32_t PropertyCount() const { return 0; }
    virtual int32_t OutputKind() const { return kUndefined; }
    virtual std::string GetTitle() const;
    virtual std::string GetTitleHint() const;
    virtual void Create() {}
    virtual void Evaluate(bool inHost) { (void)inHost; }
    virtual float* OutputAddress() { return nullptr; }
    virtual float* ConstantAddress(int32_t prop) {
        (void)prop;
        return nullptr;
    }
    virtual std::string GetEnumItems(int32_t prop) const;
    virtual int32_t GetEnumValue(int32_t prop) const {
        (void)prop;
        return 0;
    }
    virtual float* InputAddress(int32_t prop, int32_t part) const {
        (void)prop, (void)part;
        return nullptr;
    }
    virtual void Connect(int32_t prop, int32_t part, float* source) {
        (void)prop, (void)part, (void)source;
    }
    virtual void SetConstant(int32_t prop, int32_t part, float value) {
        (void)prop, (void)part, (void)value;
    }
    virtual void SetEnumValue(int32_t prop, int32_t value) { (void)prop, (void)value; }
    virtual std::string GetPropertyName(int32_t prop) const;
    virtual std::string GetPropertyHint(int32_t prop) const;
    virtual std::string GetPartLetters(int32_t prop) const;
    virtual int32_t PropertyKind(int32_t prop) const {
        (void)prop;
        return kUndefined;
    }
    virtual char FileKind() const { return 'N'; }
    virtual bool IsIntegerProperty(int32_t prop) const {
        (void)prop;
        return false;
    }

    // Sets TypeId and Section (the decimal id cut to four characters).
    void SetTypeId(int32_t id);
    // Binds Context, Instance and the random operations to a record.
    void Bind(TThreadRecord* record, TShaderInstance* instance);
};

// One row of a component's property table.
struct PropertySpec {
    const char* name;
    ValueKind kind;
    std::array<float, 3> defaults{};  // Enumeration and File: defaults[0] is the integer value
    bool whole = false;               // a Numerical property holding a whole count
    const char* parts = "";  // part letters of a UV or Vector property ("RGB", "XYZ", "UV")
};

inline constexpr int kMaxProperties = 16;  // property indices are one hex digit in the stream

// Where each property's data lives, derived from the table at compile time.
struct PropertySlot {
    int32_t kind = kUndefined;
    int8_t first = 0;  // first part slot (Numerical, UV, Vector) or enumeration slot
    int8_t count = 0;  // number of parts
    bool whole = false;
};

struct ComponentLayout {
    int32_t propertyCount = 0;
    int32_t partCount = 0;
    int32_t enumCount = 0;
    int32_t outputKind = kUndefined;
    int32_t outputCount = 0;
    std::array<PropertySlot, kMaxProperties> properties{};
};

constexpr ComponentLayout MakeLayout(std::span<const PropertySpec> props, int32_t outputKind) {
    ComponentLayout layout;
    layout.propertyCount = static_cast<int32_t>(props.size());
    layout.outputKind = outputKind;
    layout.outputCount = FloatCount(outputKind);
    for (size_t i = 0; i < props.size(); ++i) {
        PropertySlot& slot = layout.properties[i];
        slot.kind = props[i].kind;
        slot.whole = props[i].whole;
        if (props[i].kind == kEnumeration || props[i].kind == kFile) {
            slot.first = static_cast<int8_t>(layout.enumCount++);
        } else {
            slot.first = static_cast<int8_t>(layout.partCount);
            slot.count = static_cast<int8_t>(FloatCount(props[i].kind));
            layout.partCount += slot.count;
        }
    }
    return layout;
}

// Implements the virtual operations once, from a property table and a layout, over storage that
// the derived class owns. The custom component builds its table at run time and uses the same code.
class TXRPropertyComponent : public TXRComponent {
  public:
    int32_t PropertyCount() const override { return layout_->propertyCount; }
    int32_t OutputKind() const override { return layout_->outputKind; }
    void Create() override;
    float* OutputAddress() override { return layout_->outputCount > 0 ? output_ : nullptr; }
    float* ConstantAddress(int32_t prop) override;
    int32_t GetEnumValue(int32_t prop) const override;
    float* InputAddress(int32_t prop, int32_t part) const override;
    void Connect(int32_t prop, int32_t part, float* source) override;
    void SetConstant(int32_t prop, int32_t part, float value) override;
    void SetEnumValue(int32_t prop, int32_t value) override;
    int32_t PropertyKind(int32_t prop) const override;
    bool IsIntegerProperty(int32_t prop) const override;

    // The table this component was declared with.
    std::span<const PropertySpec> Properties() const {
        return {specs_, specs_ + layout_->propertyCount};
    }

  protected:
    struct Storage {
        float** inputs;
        float* constants;
        float* output;
        int32_t* enums;
        float** enumRefs;
    };
    TXRPropertyComponent(const PropertySpec* specs, const ComponentLayout* layout)
        : specs_(specs), layout_(layout) {}
    // Called by the derived constructor once its storage exists.
    void SetStorage(const Storage& storage);
    // For a table known only at run time (the custom component's): the table and layout must
    // outlive the component, and the storage must fit the layout.
    void SetTable(const PropertySpec* specs, const ComponentLayout* layout) {
        specs_ = specs;
        layout_ = layout;
    }

    // Refreshes every enumeration fed from a variable: the referenced float rounded, halves to
    // even.
    void RefreshEnums();

  private:
    const PropertySlot* SlotOf(int32_t prop) const {
        return prop >= 0 && prop < layout_->propertyCount ? &layout_->properties[prop] : nullptr;
    }
    // Compared as integers: ordering unrelated pointers is unspecified.
    bool ReadsOwnOutput(const float* source) const {
        const auto at = reinterpret_cast<uintptr_t>(source);
        const auto out = reinterpret_cast<uintptr_t>(output_);
        return output_ != nullptr && at >= out && at < out + sizeof(float) * layout_->outputCount;
    }

    const PropertySpec* specs_;
    const ComponentLayout* layout_;
    float** inputs_ = nullptr;
    float* constants_ = nullptr;
    float* output_ = nullptr;
    int32_t* enums_ = nullptr;
    float** enumRefs_ = nullptr;
};

// A component whose properties and output are fixed at compile time. Accessors with a constant
// property index fold to one load through the input reference.
template <const auto& kProps, ValueKind kOutput>
class TXRTableComponent : public TXRPropertyComponent {
    static constexpr ComponentLayout kLayout =
        MakeLayout(std::span<const PropertySpec>(kProps), kOutput);
    static_assert(kLayout.propertyCount <= kMaxProperties, "at most 16 properties");

  public:
    // What the catalogue row of the class reads.
    static constexpr std::span<const PropertySpec> kPropertyTable{kProps};
    static constexpr ValueKind kOutputKind = kOutput;

    TXRTableComponent() : TXRPropertyComponent(std::data(kProps), &kLayout) {
        SetStorage(
            {inputs_.data(), constants_.data(), output_.data(), enums_.data(), enumRefs_.data()});
        TXRPropertyComponent::Create();
    }

  protected:
    // Value of a Numerical property.
    double Num(int p) const { return *inputs_[kLayout.properties[p].first]; }
    TVec2 Uv(int p) const {
        const int f = kLayout.properties[p].first;
        return {*inputs_[f], *inputs_[f + 1]};
    }
    TVec3 Vec(int p) const {
        const int f = kLayout.properties[p].first;
        return {*inputs_[f], *inputs_[f + 1], *inputs_[f + 2]};
    }
    // Value of an Enumeration property, refreshed from its reference first.
    int32_t Enum(int p) {
        const int e = kLayout.properties[p].first;
        if (enumRefs_[e] != nullptr) enums_[e] = RoundHalfEven(*enumRefs_[e]);
        return enums_[e];
    }
    int32_t FileIndex(int p) const { return enums_[kLayout.properties[p].first]; }

    void SetOut(double v) { output_[0] = static_cast<float>(v); }
    void SetOut(const TVec2& v) {
        output_[0] = static_cast<float>(v.u);
        output_[1] = static_cast<float>(v.v);
    }
    void SetOut(const TVec3& v) {
        output_[0] = static_cast<float>(v.x);
        output_[1] = static_cast<float>(v.y);
        output_[2] = static_cast<float>(v.z);
    }
    std::array<float, kLayout.outputCount>& Out() { return output_; }

  private:
    std::array<float*, kLayout.partCount> inputs_{};
    std::array<float, kLayout.partCount> constants_{};
    std::array<float, kLayout.outputCount> output_{};
    std::array<int32_t, kLayout.enumCount> enums_{};
    std::array<float*, kLayout.enumCount> enumRefs_{};
};

}  // namespace vandrel
