// clang-format off
#include "core/catalogue.h"
#include "core/context.h"
#include "core/factory.h"
#include "core/thread_record.h"
#include "editor/preview/preview_scene.h"
#include "editor/palette_icons.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QStringList>
// clang-format on

#include <cctype>
#include <string>

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

// What the component computes over the preview's UV plane; false when the picture is flat or
// the component cannot be drawn that way.
bool DrawComputed(int32_t typeId, QImage& image) {
    if (!IsConstantFoldable(typeId)) return false;
    std::unique_ptr<TXRComponent> component = CreateComponent(typeId);
    if (component == nullptr || component->OutputAddress() == nullptr) return false;
    TThreadRecord record;
    component->Bind(&record, nullptr);
    // A numerical input left at its constant would draw every pixel alike: it follows U instead,
    // so that a curve shows as a ramp.
    for (int32_t i = 0; i < component->PropertyCount(); ++i) {
        if (component->PropertyKind(i) == kNumerical && component->GetPropertyName(i) == "Input") {
            component->Connect(i, kWholeProperty, VariableAddress(&record, kVarUV));
        }
    }
    const int32_t kind = component->OutputKind();
    const int size = image.width();
    bool flat = true;
    QRgb first = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int px = x * kPreviewSize / size;
            const int py = y * kPreviewSize / size;
            SynthesiseSample(TPreviewShape::kPlane, px, py, kPreviewRangeDefault, record);
            component->Evaluate(false);
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
    const bool computed = row != nullptr && DrawComputed(typeId, image);
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
