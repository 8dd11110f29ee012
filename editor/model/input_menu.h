// The input menus of property editors, built from ";"-separated item texts.
//
// Items beginning with "$" carry an icon. A variable whose name ends in ".R" or ".X" opens a
// submenu of three (R, G, B or X, Y, Z), one ending in ".U" a submenu of two (U, V). Every menu
// but the file menu ends with the "Trigger" submenu of "Trigger 1" … "Trigger 20".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

class TXRGraphModel;
class TXRComponentContainer;

struct TInputMenuItem {
    enum Action : uint8_t {
        kDisconnect,  // shown only while a component feeds the input
        kConstant,
        kSeparator,
        kVariable,  // Value: variable number (triggers 65 … 84 too)
        kSubmenu,
        kEnumItem,  // Value: item index
        kFileSlot,  // Value: slot 0 … 4, -1 "[none]"
        kHidden,    // "BUG!": never shown
    };
    Action action = kSeparator;
    std::string caption;
    bool icon = false;
    int32_t value = 0;
    std::vector<TInputMenuItem> children;
};

inline constexpr std::string_view kIntegerMenuText = "$BUG!;$Constant;-";
inline constexpr std::string_view kFileMenuText = "[none];File 1;File 2;File 3;File 4;File 5";

// The item text of a kind before the trigger submenu is appended (see ConnectionMenuText).
std::string InputMenuText(int32_t kind, bool integer);

// The menu of a Numerical, UV or Vector input (a part of a split property is Numerical).
std::vector<TInputMenuItem> BuildInputMenu(int32_t kind, bool integer);
// An enumeration's own items, then the triggers.
std::vector<TInputMenuItem> BuildEnumMenu(std::string_view items);
std::vector<TInputMenuItem> BuildFileMenu();

// Carries out a chosen item on the model. False when nothing changed.
bool ChooseInputMenuItem(TXRGraphModel& model, TXRComponentContainer* container, int32_t prop,
                         int32_t part, const TInputMenuItem& item);

}  // namespace vandrel
