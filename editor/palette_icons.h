// The component palette's pictures: one icon per catalogue component, drawn by the editor itself.
//
// A component that computes from its inputs alone is drawn from what it computes at its default
// inputs over the UV plane of the preview; the others (lighting, media, host data), and those
// whose picture is flat, get their tab's colour with the initials of their name. Icons are built
// once per process.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

namespace vandrel {

inline constexpr int kPaletteIconSize = 24;

QImage ComponentIcon(int32_t typeId, int size = kPaletteIconSize);
// One strip per palette tab: the icons of its components side by side, in catalogue order.
const std::vector<QImage>& PaletteStrips();
// The tags (type ids) and hints (catalogue names) of the strips, rows by "|", cells by ";".
QString PaletteTags();
QString PaletteHints();
// The number of components on a tab.
int PaletteTabCount(int tab);

}  // namespace vandrel
