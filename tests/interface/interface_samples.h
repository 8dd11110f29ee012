// An interface string that lists every trigger kind and file type, and its content built by hand.
#pragma once

#include "interface/interface_string.h"

namespace vandrel::test {

// Floats: 0.5 3F000000, 1 3F800000, 2 40000000, 3 40400000, 4 40800000, 5 40A00000,
// 6 40C00000, 7 40E00000, 8 41000000, 10 41200000. UV lists U's four values, then V's.
inline constexpr const char* kRichInterface =
    "02D(c)&'GAnn%"
    "0202$Speed$$F"
    "00000000"
    "41200000"
    "3F000000"
    "3F800000|"
    "0403$Trigger5.U$Trigger5.V$3F80000040400000"
    "40A0000040E00000"
    "400000004080000040C0000041000000|"
    "0904$Tint$$3F8000003F00000000000000W|"
    "1306$Mode$Linear;Smooth@Linear;Smooth$0C%"
    "0108T$File 2$Texture.jpg|0408A$Bell$Ding.wav";

inline TInterfaceData RichInterfaceData() {
    TInterfaceData d;
    d.Options = {2, 'D', "(c)&'GAnn"};
    TTriggerSettings speed;
    speed.Kind = kNumerical;
    speed.Label = "Speed";
    speed.Values = {0, 10, 0.5f, 1};
    d.Triggers[2] = speed;
    TTriggerSettings uv;
    uv.Kind = kUV;
    uv.Label = "Trigger5.U";
    uv.SecondText = "Trigger5.V";
    uv.Values = {1, 2, 3, 4, 5, 6, 7, 8};  // min U, min V, max U, max V, default U, V, step U, V
    d.Triggers[4] = uv;
    TTriggerSettings tint;
    tint.Kind = kVector;
    tint.Label = "Tint";
    tint.Values = {1, 0.5f, 0};
    tint.SetPickerChoice(kSystemPicker);
    d.Triggers[9] = tint;
    TTriggerSettings mode;
    mode.Kind = kEnumeration;
    mode.Label = "Mode";
    mode.SecondText = "Linear;Smooth@Linear;Smooth";
    mode.SetDefaultItem(12);
    d.Triggers[19] = mode;
    d.Files[1] = TFileEntry{'T', {"File 2", "Texture.jpg"}};
    d.Files[4] = TFileEntry{'A', {"Bell", "Ding.wav"}};
    return d;
}

}  // namespace vandrel::test
