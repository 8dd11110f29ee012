// The catalogue of component types: for every built-in class one row, declared next to the class by
// its family (components/), and handed to the core when the component layer starts. The palette,
// the factory, constant folding, the signatures, the language-file checks and the documentation
// all read these rows; nothing else lists type ids.
//
// A row states what the class cannot say of itself: its catalogue tab and place there, its
// catalogue name (character for character) and whether it reads the host's lighting, textures,
// images, audio or object data. The class name, the output kind and the property kinds come from
// the class and its property table at compile time.
//
// Until the rows are installed the catalogue is empty and no built-in class can be created.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.h"
#include "core/value_kind.h"

namespace vandrel {

class TXRTree;
struct TCustomDefinition;

using ComponentCreator = std::unique_ptr<TXRComponent> (*)();

struct CatalogueRow {
    int32_t id;
    int32_t tab;            // palette tab, 0 … 10
    int32_t position;       // place on the tab, from 0
    const char* className;  // "TXRCSine"
    const char* name;       // catalogue name, character for character
    bool readsHost;         // its output can change between samples with constant inputs
    ComponentCreator create;
    std::span<const PropertySpec> properties;
    ValueKind output;
};

// A row of a table component class T.
template <class T>
constexpr CatalogueRow Row(int32_t tab, int32_t position, const char* className, const char* name,
                           bool readsHost) {
    return {T::kTypeId,
            tab,
            position,
            className,
            name,
            readsHost,
            [] { return std::unique_ptr<TXRComponent>(new T); },
            T::kPropertyTable,
            T::kOutputKind};
}

// One row per class: VANDREL_ROW(TXRCSine, 0, 0, "Sine Function").
#define VANDREL_ROW(Class, tab, position, name) \
    ::vandrel::Row<Class>(tab, position, #Class, name, false)
// The same for a class that reads the host's data.
#define VANDREL_HOST_ROW(Class, tab, position, name) \
    ::vandrel::Row<Class>(tab, position, #Class, name, true)

// What the component layer hands to the core.
struct TComponentRegistry {
    std::span<const CatalogueRow> rows;  // any order; duplicates are an error of the caller
    // A custom component from a definition of the tree's table (nothing when unusable), and
    // whether one computes from its properties alone so that constant folding may evaluate it.
    std::unique_ptr<TXRComponent> (*createCustom)(TXRTree& tree, TCustomDefinition& definition);
    bool (*customFoldable)(const TXRComponent& component);
};

// Installs the rows (sorted here into catalogue order) and the custom factory. Called once per
// process, before any component is created; a second call replaces the first.
void InstallComponentRegistry(const TComponentRegistry& registry);
const TComponentRegistry& InstalledComponentRegistry();

inline constexpr int kCatalogueTabCount = 11;

// Rows in catalogue order: tab by tab, within a tab in palette order.
std::span<const CatalogueRow> Catalogue();
const CatalogueRow* FindCatalogueRow(int32_t id);
std::string_view CatalogueTabCaption(int32_t tab);  // "1D" … "Files"; empty outside 0 … 10

// The two parallel catalogue texts: groups separated by "|", items by ";".
std::string CatalogueIdentifierText();
std::string CatalogueNameText();

// The signature of a row: one letter per property, N Numerical, U UV, V Vector, E Enumeration,
// F File, with "#" after the N of a whole count.
std::string SignatureText(const CatalogueRow& row);

// False for the components that read the host's lighting, textures, images, audio or object data:
// their output can change between samples even when every input is constant.
bool IsConstantFoldable(int32_t id);

}  // namespace vandrel
