#include "editor/palette_icons.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QStringList>
#include <cctype>
#include <string>

#include "components/custom/custom_components.h"
#include "core/catalogue.h"
#include "core/context.h"
#include "core/factory.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "editor/preview/preview_scene.h"

namespace vandrel {
namespace {

QColor TabColor(int32_t tab) {
    static const QColor colors[kCatalogueTabCount] = {
        {214, 130, 90},  {210, 170, 80},  {170, 190, 80},  {100, 180, 110},
        {80, 170, 170},  {90, 140, 200},  {130, 110, 200}, {180, 100, 180},
        {200, 100, 130}, {150, 150, 150}, {120, 160, 130}};
    return tab >= 0 && tab < kCatalogueTabCount ? colors[tab] : QColor(128, 128, 128);
}

// The first letters of the name's words, at most three.
QString Initials(const char* name) {
    QString out;
    bool start = true;
    for (const char* p = name; *p != 0 && out.size() < 3; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (std::isalnum(c) != 0) {
            if (start) out += QChar(static_cast<char16_t>(c));
            start = false;
        } else {
            start = true;
        }
    }
    return out;
}

// How the icon feeds the component's numerical inputs.
enum class TFeed { kInputFromU, kAllFromUV };

// What the component computes over the preview's UV plane, evaluated as the preview does; false
// when the picture is flat. UV and Vector inputs keep their defaults (the surface's UV, the
// object point); numerical ones follow U, or U and V in turn, so that a curve or an operation
// shows as a ramp.
bool DrawComputed(int32_t typeId, TFeed feed, QImage& image) {
    // Media components read files the palette has none of.
    if (typeId > kLastInnerTypeId) return false;
    TThreadRecord record;
    TXRTree tree;
    tree.Context = &record;
    TXRComponent* component = tree.AddComponent(CreateComponent(typeId, &tree));
    if (component == nullptr || component->OutputAddress() == nullptr) return false;
    int32_t numerical = 0;
    for (int32_t i = 0; i < component->PropertyCount(); ++i) {
        if (component->PropertyKind(i) != kNumerical || component->IsIntegerProperty(i)) continue;
        const bool input = component->GetPropertyName(i) == "Input";
        if (feed == TFeed::kInputFromU && !input) continue;
        component->Connect(i, kWholeProperty, VariableAddress(&record, kVarUV) + (numerical++ % 2));
    }
    tree.SetRoot(component, true);
    const int32_t kind = component->OutputKind();
    const int size = image.width();
    bool flat = true;
    QRgb first = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int px = x * kPreviewSize / size;
            const int py = y * kPreviewSize / size;
            SynthesiseSample(TPreviewShape::kPlane, px, py, kPreviewRangeDefault, record);
            tree.Evaluate(kMaskAll);
            const TPixelColor c =
                PreviewColor(kind, component->OutputAddress(), PreviewBackground(px, py), 1.0);
            const QRgb rgb = qRgb(c.r, c.g, c.b);
            if (x == 0 && y == 0) first = rgb;
            flat = flat && rgb == first;
            image.setPixel(x, y, rgb);
        }
    }
    return !flat;
}

}  // namespace

QImage ComponentIcon(int32_t typeId, int size) {
    QImage image(size, size, QImage::Format_RGB32);
    const CatalogueRow* row = FindCatalogueRow(typeId);
    const bool computed = row != nullptr && (DrawComputed(typeId, TFeed::kInputFromU, image) ||
                                             DrawComputed(typeId, TFeed::kAllFromUV, image));
    QPainter painter(&image);
    const QColor tab = TabColor(row != nullptr ? row->tab : -1);
    if (!computed) {
        painter.fillRect(image.rect(), tab.lighter(140));
        painter.setPen(tab.darker(160));
        QFont font = painter.font();
        font.setPixelSize(size * 2 / 5);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(image.rect(), Qt::AlignCenter,
                         row != nullptr ? Initials(row->name) : QStringLiteral("?"));
    }
    painter.setPen(tab.darker(200));
    painter.drawRect(0, 0, size - 1, size - 1);
    // A ruler of the type id's bits along the bottom edge, so that no two icons are alike.
    for (int bit = 0; bit < 16 && 2 + 2 * bit < size - 2; ++bit) {
        if (((typeId >> bit) & 1) != 0) painter.drawPoint(2 + 2 * bit, size - 2);
    }
    return image;
}

const std::vector<QImage>& PaletteStrips() {
    static const std::vector<QImage> strips = [] {
        std::vector<QImage> out;
        for (int tab = 0; tab < kCatalogueTabCount; ++tab) {
            const int count = PaletteTabCount(tab);
            QImage strip(std::max(count, 1) * kPaletteIconSize, kPaletteIconSize,
                         QImage::Format_RGB32);
            strip.fill(QColor(212, 208, 200));
            QPainter painter(&strip);
            int cell = 0;
            for (const CatalogueRow& row : Catalogue()) {
                if (row.tab != tab) continue;
                painter.drawImage(cell++ * kPaletteIconSize, 0, ComponentIcon(row.id));
            }
            out.push_back(strip);
        }
        return out;
    }();
    return strips;
}

namespace {

template <class F>
QString PaletteTexts(F&& text) {
    QStringList rows;
    for (int tab = 0; tab < kCatalogueTabCount; ++tab) {
        QStringList cells;
        for (const CatalogueRow& row : Catalogue()) {
            if (row.tab == tab) cells << text(row);
        }
        rows << cells.join(';');
    }
    return rows.join('|');
}

}  // namespace

QString PaletteTags() {
    return PaletteTexts([](const CatalogueRow& row) { return QString::number(row.id); });
}

QString PaletteHints() {
    // The grid's texts use ";" and "|" as separators.
    return PaletteTexts([](const CatalogueRow& row) {
        QString name = QString::fromUtf8(row.name);
        name.replace(';', ',').replace('|', '/');
        return name;
    });
}

int PaletteTabCount(int tab) {
    int count = 0;
    for (const CatalogueRow& row : Catalogue()) count += row.tab == tab ? 1 : 0;
    return count;
}

}  // namespace vandrel
