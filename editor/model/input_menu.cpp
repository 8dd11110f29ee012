#include "editor/model/input_menu.h"

#include "core/context.h"
#include "core/thread_record.h"
#include "core/value_kind.h"
#include "editor/model/graph_model.h"

namespace vandrel {

namespace {

std::vector<std::string_view> SplitText(std::string_view text) {
    std::vector<std::string_view> out;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find(';', start);
        out.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return out;
}

TInputMenuItem Item(TInputMenuItem::Action action, std::string_view caption, bool icon,
                    int32_t value) {
    TInputMenuItem item;
    item.action = action;
    item.caption = std::string(caption);
    item.icon = icon;
    item.value = value;
    return item;
}

TInputMenuItem TriggerSubmenu() {
    TInputMenuItem menu = Item(TInputMenuItem::kSubmenu, "Trigger", false, 0);
    for (int32_t n = 0; n < kTriggerCount; ++n) {
        menu.children.push_back(Item(TInputMenuItem::kVariable, "Trigger " + std::to_string(n + 1),
                                     false, kVarTrigger1 + n));
    }
    return menu;
}

// How many variables a name ending in a part letter groups into one submenu.
int GroupSize(std::string_view name) {
    if (name.ends_with(".R") || name.ends_with(".X")) return 3;
    if (name.ends_with(".U")) return 2;
    return 0;
}

}  // namespace

std::string InputMenuText(int32_t kind, bool integer) {
    if (kind == kNumerical && integer) return std::string(kIntegerMenuText);
    if (kind == kFile) return std::string(kFileMenuText);
    return ConnectionMenuText(kind);
}

std::vector<TInputMenuItem> BuildInputMenu(int32_t kind, bool integer) {
    std::vector<TInputMenuItem> menu;
    const std::string text = InputMenuText(kind, integer);
    const std::vector<std::string_view> items = SplitText(text);
    for (size_t i = 0; i < items.size(); ++i) {
        std::string_view name = items[i];
        const bool icon = name.starts_with('$');
        if (icon) name.remove_prefix(1);
        if (name.empty()) continue;
        if (name == "-") {
            menu.push_back(Item(TInputMenuItem::kSeparator, "", false, 0));
        } else if (name == "Disconnect") {
            menu.push_back(Item(TInputMenuItem::kDisconnect, name, icon, 0));
        } else if (name == "Constant") {
            menu.push_back(Item(TInputMenuItem::kConstant, name, icon, 0));
        } else if (name == "BUG!") {
            menu.push_back(Item(TInputMenuItem::kHidden, name, icon, 0));
        } else if (const int group = GroupSize(name); group > 0 && i + group <= items.size()) {
            TInputMenuItem sub =
                Item(TInputMenuItem::kSubmenu, name.substr(0, name.size() - 2), icon, 0);
            for (int k = 0; k < group; ++k) {
                std::string_view member = items[i + static_cast<size_t>(k)];
                const bool memberIcon = member.starts_with('$');
                if (memberIcon) member.remove_prefix(1);
                sub.children.push_back(Item(TInputMenuItem::kVariable,
                                            member.substr(member.size() - 1), memberIcon,
                                            VariableByLongName(member)));
            }
            menu.push_back(std::move(sub));
            i += static_cast<size_t>(group) - 1;
        } else {
            menu.push_back(Item(TInputMenuItem::kVariable, name, icon, VariableByLongName(name)));
        }
    }
    menu.push_back(TriggerSubmenu());
    return menu;
}

std::vector<TInputMenuItem> BuildEnumMenu(std::string_view items) {
    std::vector<TInputMenuItem> menu;
    int32_t index = 0;
    for (std::string_view item : SplitText(items)) {
        menu.push_back(Item(TInputMenuItem::kEnumItem, item, false, index++));
    }
    menu.push_back(TriggerSubmenu());
    return menu;
}

std::vector<TInputMenuItem> BuildFileMenu() {
    std::vector<TInputMenuItem> menu;
    int32_t slot = -1;
    for (std::string_view item : SplitText(kFileMenuText)) {
        menu.push_back(Item(TInputMenuItem::kFileSlot, item, false, slot++));
    }
    return menu;
}

bool ChooseInputMenuItem(TXRGraphModel& model, TXRComponentContainer* container, int32_t prop,
                         int32_t part, const TInputMenuItem& item) {
    bool changed = false;
    switch (item.action) {
        case TInputMenuItem::kDisconnect:
            changed = model.DisconnectInput(container, prop, part);
            break;
        case TInputMenuItem::kConstant:
            changed = model.UseConstant(container, prop, part);
            break;
        case TInputMenuItem::kVariable:
            changed = model.UseVariable(container, prop, part, item.value);
            break;
        case TInputMenuItem::kEnumItem:
        case TInputMenuItem::kFileSlot:
            changed = model.SetValue(container, prop, item.value);
            break;
        default:
            break;
    }
    if (changed) model.Select(container);
    return changed;
}

}  // namespace vandrel
