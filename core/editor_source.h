// The editor source section of a shader stream (the graph editor's layout) as plain data, read
// from and written back to its text.
//
// The section has four "%"-separated parts: the component windows ("|"-separated: type id hex(4),
// left and top signed16, one code per property), the connections ("|"-separated: source window
// hex(4), consuming window hex(4), property hex(1), part), the root window hex(4), and one fold
// digit per window.
//
// Reading is defined for every input. Hex fields follow the stream codec (a non-hex character
// reads as 0). A window's codes are read with the property kinds of its type; reading stops at a
// NUL, at a code letter that does not fit the property's kind or at a code cut short, and every
// later property is "not given". What was not read stays in the window's `unread` text, so that
// writing reproduces the window exactly. A window whose header is cut short is kept (window
// numbers of the connections stay right) with type id kUnreadWindow and its text in `unread`. A
// connection cut short is dropped, one with a part digit above 2 connects the whole; a missing or
// cut-short root window reads as -1; text after a fourth "%" is ignored. The writer leaves the
// fourth part out (and its "%") when there are no fold states. Writing what was read and reading
// it again gives the same data.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/value_kind.h"

namespace vandrel {

// One scalar code: "S" (a component, or the class default), "V" + variable hex(4), or "C" + a
// constant float that differs from the class default.
struct TScalarCode {
    enum Kind : uint8_t { kSource, kVariable, kConstant };
    Kind kind = kSource;
    uint32_t variable = 0;  // kVariable
    float constant = 0;     // kConstant

    static TScalarCode Source() { return {kSource, 0, 0}; }
    static TScalarCode Variable(uint32_t number) { return {kVariable, number, 0}; }
    static TScalarCode Constant(float value) { return {kConstant, 0, value}; }

    // Compares what the kind uses; constants by their bits.
    bool operator==(const TScalarCode& other) const;
};

// The code of one property.
struct TPropertyCode {
    enum Form : uint8_t {
        kScalar,        // Numerical: "S", "V" + hex(4) or "C" + float
        kWhole,         // UV or Vector shown whole: "L" then "S" or "V" + hex(4)
        kParts,         // UV or Vector shown as parts: "U" then one scalar code per part
        kEnumValue,     // Enumeration: the value as hex(4)
        kEnumVariable,  // Enumeration on a trigger: "V" + hex(4)
        kFile,          // File: number digit ("F" none) and file-kind letter
    };
    Form form = kScalar;
    TScalarCode scalar;                // kScalar; kWhole (a constant there is written "S")
    std::array<TScalarCode, 3> parts;  // kParts: the first partCount are used
    int32_t partCount = 0;             // 2 for UV, 3 for Vector
    uint32_t value = 0;                // kEnumValue: the value; kEnumVariable: the variable
    int32_t fileNumber = -1;           // kFile: 0 … 4, -1 for none (any hex digit reads back)
    char fileKind = 'N';               // kFile: "T", "B", "I", "A", ...

    static TPropertyCode Scalar(TScalarCode code);
    static TPropertyCode Whole(TScalarCode code);
    static TPropertyCode Parts(std::initializer_list<TScalarCode> codes);  // two or three
    static TPropertyCode EnumValue(uint32_t value);
    static TPropertyCode EnumVariable(uint32_t variable);
    static TPropertyCode File(int32_t number, char kind);

    // Compares what the form uses.
    bool operator==(const TPropertyCode& other) const;
};

inline constexpr int32_t kUnreadWindow = -1;

struct TEditorWindow {
    int32_t typeId = 0;  // kUnreadWindow when the header is cut short
    int32_t left = 0;
    int32_t top = 0;
    // One code per property in property order; properties beyond the last code are not given.
    std::vector<TPropertyCode> codes;
    std::string unread;  // the rest of the window's text that was not read as codes

    friend bool operator==(const TEditorWindow&, const TEditorWindow&) = default;
};

struct TEditorConnection {
    uint32_t source = 0;    // window feeding the property
    uint32_t consumer = 0;  // window whose property is fed
    int32_t property = 0;   // 0 … 15
    int32_t part = -1;      // -1 whole, else 0 … 2

    friend bool operator==(const TEditorConnection&, const TEditorConnection&) = default;
};

struct TEditorSource {
    std::vector<TEditorWindow> windows;
    std::vector<TEditorConnection> connections;
    int32_t rootWindow = 0;      // -1 when missing; written only when >= 0
    std::vector<uint8_t> folds;  // one digit per window: 0 open, 1 or 2 folded

    friend bool operator==(const TEditorSource&, const TEditorSource&) = default;
};

// The property kinds of a component type in property order; empty when the type is unknown.
using PropertyKindsFn = std::function<std::vector<ValueKind>(int32_t typeId)>;

// Kinds of the built-in types: the root (id 1) and every catalogue row.
std::vector<ValueKind> BuiltinPropertyKinds(int32_t typeId);
class TCustomComponentSource;
// Those, and the kinds of the custom types that the source (a shader's tree) can create.
PropertyKindsFn PropertyKindsWith(TCustomComponentSource& customs);

TEditorSource ParseEditorSource(std::string_view section);
TEditorSource ParseEditorSource(std::string_view section, const PropertyKindsFn& kinds);
std::string WriteEditorSource(const TEditorSource& source);

}  // namespace vandrel
