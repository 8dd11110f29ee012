#include "core/catalogue.h"

#include <algorithm>

namespace vandrel {

namespace {

struct TInstalled {
    TComponentRegistry registry{};
    std::vector<CatalogueRow> rows;         // catalogue order
    std::vector<const CatalogueRow*> byId;  // indexed by type id
};

TInstalled& Installed() {
    static TInstalled installed;
    return installed;
}

constexpr std::string_view kTabs[kCatalogueTabCount] = {
    "1D", "2D",        "3D",         "Patterns", "Effects", "Reflectance", "Vectors/Colors",
    "UV", "Low-level", "Converters", "Files"};

template <class Field>
std::string Join(Field field) {
    std::string text;
    int32_t tab = 0;
    bool first = true;
    for (const CatalogueRow& row : Catalogue()) {
        while (tab < row.tab) {
            text += '|';
            ++tab;
            first = true;
        }
        if (!first) text += ';';
        text += field(row);
        first = false;
    }
    return text;
}

}  // namespace

void InstallComponentRegistry(const TComponentRegistry& registry) {
    TInstalled& installed = Installed();
    installed.registry = registry;
    installed.rows.assign(registry.rows.begin(), registry.rows.end());
    std::stable_sort(installed.rows.begin(), installed.rows.end(),
                     [](const CatalogueRow& a, const CatalogueRow& b) {
                         return a.tab != b.tab ? a.tab < b.tab : a.position < b.position;
                     });
    installed.registry.rows = installed.rows;
    installed.byId.clear();
    for (const CatalogueRow& row : installed.rows) {
        if (row.id < 0) continue;
        if (static_cast<size_t>(row.id) >= installed.byId.size()) {
            installed.byId.resize(static_cast<size_t>(row.id) + 1, nullptr);
        }
        installed.byId[static_cast<size_t>(row.id)] = &row;
    }
}

const TComponentRegistry& InstalledComponentRegistry() { return Installed().registry; }

std::span<const CatalogueRow> Catalogue() { return Installed().rows; }

const CatalogueRow* FindCatalogueRow(int32_t id) {
    const std::vector<const CatalogueRow*>& byId = Installed().byId;
    return id >= 0 && static_cast<size_t>(id) < byId.size() ? byId[static_cast<size_t>(id)]
                                                            : nullptr;
}

std::string_view CatalogueTabCaption(int32_t tab) {
    if (tab < 0 || tab >= kCatalogueTabCount) return {};
    return kTabs[tab];
}

std::string CatalogueIdentifierText() {
    return Join([](const CatalogueRow& row) { return std::to_string(row.id); });
}

std::string CatalogueNameText() {
    return Join([](const CatalogueRow& row) { return std::string(row.name); });
}

std::string SignatureText(const CatalogueRow& row) {
    std::string text;
    for (const PropertySpec& p : row.properties) {
        switch (p.kind) {
            case kNumerical:
                text += p.whole ? "N#" : "N";
                break;
            case kUV:
                text += 'U';
                break;
            case kVector:
                text += 'V';
                break;
            case kEnumeration:
                text += 'E';
                break;
            case kFile:
                text += 'F';
                break;
            default:
                text += '?';
                break;
        }
    }
    return text;
}

bool IsConstantFoldable(int32_t id) {
    const CatalogueRow* row = FindCatalogueRow(id);
    return row == nullptr || !row->readsHost;
}

}  // namespace vandrel
