// The component palette's pictures: one icon per catalogue component, drawn by the editor itself.
//
// Each component is drawn from what it computes over the UV plane of the preview, its numerical
// inputs following U (and V) so that curves and operations show as ramps; those whose picture
// stays flat (lighting outside a render, media, host data) get their tab's colour with the
// initials of their name, and every tile names its component in its hint. Icons are built once
// per process.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

namespace vandrel {

inline constexpr int kPaletteIconSize = 28;

QImage ComponentIcon(int32_t typeId, int size = kPaletteIconSize);
// One strip per palette tab: the icons of its components side by side, in catalogue order.
const std::vector<QImage>& PaletteStrips();
// The tags (type ids) and hints (catalogue names) of the strips, rows by "|", cells by ";".
QString PaletteTags();
QString PaletteHints();
// The number of components on a tab.
int PaletteTabCount(int tab);

}  // namespace vandrel
