// The catalogue of built-in component types: identifiers, palette tabs, catalogue names and the
// signature of every class (output kind, property kinds, whole-count marks).
//
// This table is the one list of built-in type ids: the palette, the factory's conformance checks,
// the language-file checks and the documentation all read it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/value_kind.h"

namespace vandrel {

struct CatalogueRow {
    int32_t id;
    int32_t tab;            // palette tab, 0 … 10
    const char* className;  // "TXRCSine"
    const char* name;       // catalogue name, character for character
    ValueKind output;
    // One letter per property: N Numerical, U UV, V Vector, E Enumeration, F File; "#" after an N
    // marks a whole count.
    const char* signature;
};

inline constexpr int kCatalogueTabCount = 11;

// Rows in catalogue order: tab by tab, within a tab in palette order.
std::span<const CatalogueRow> Catalogue();
const CatalogueRow* FindCatalogueRow(int32_t id);
std::string_view CatalogueTabCaption(int32_t tab);  // "1D" … "Files"; empty outside 0 … 10

// The two parallel catalogue texts: groups separated by "|", items by ";".
std::string CatalogueIdentifierText();
std::string CatalogueNameText();

struct SignatureProperty {
    ValueKind kind;
    bool whole;
};
// The property kinds of a signature text, in index order.
std::vector<SignatureProperty> ParseSignature(std::string_view signature);

// False for the components that read the host's lighting, textures, images, audio or object data:
// their output can change between samples even when every input is constant.
bool IsConstantFoldable(int32_t id);

}  // namespace vandrel
