#include "editor/editor_accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "editor/component_window.h"
#include "editor/controls/control_accessibility.h"
#include "editor/controls/qt_text.h"
#include "editor/controls/spin_edit.h"
#include "editor/model/graph_model.h"
#include "editor/preview_widget.h"
#include "editor/property_bar.h"

namespace vandrel {
namespace {

// A widget whose role is fixed and whose name and description come from functions.
class TNamedAccessible final : public QAccessibleWidget {
  public:
    TNamedAccessible(QWidget* widget, QAccessible::Role role, std::function<QString()> name,
                     std::function<QString()> description = {}, std::function<QString()> value = {})
        : QAccessibleWidget(widget, role),
          name_(std::move(name)),
          description_(std::move(description)),
          value_(std::move(value)) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && name_) return name_();
        if (t == QAccessible::Description && description_) return description_();
        if (t == QAccessible::Value && value_) return value_();
        return QAccessibleWidget::text(t);
    }

  private:
    std::function<QString()> name_;
    std::function<QString()> description_;
    std::function<QString()> value_;
};

QAccessibleInterface* EditorFactory(const QString& key, QObject* object) {
    (void)key;
    if (auto* c = qobject_cast<TXRContainerWidget*>(object)) {
        TXRComponentContainer* container = &c->Container();
        return new TNamedAccessible(
            c, QAccessible::Grouping, [container] { return Q(container->Title()); },
            [container] { return Q(container->TitleHint()); });
    }
    if (auto* dot = qobject_cast<TXROutputDotWidget*>(object)) {
        const TXRComponentContainer* container = &dot->Container();
        return new TNamedAccessible(
            dot, QAccessible::Button, [container] { return "Output of " + Q(container->Title()); },
            [container] { return Q(std::string(container->OutputDot.Hint())); });
    }
    if (auto* fold = qobject_cast<TXRCollapseButton*>(object)) {
        QPointer<TXRCollapseButton> f(fold);
        return new TNamedAccessible(fold, QAccessible::Button, [f] {
            return f != nullptr && f->Collapsed() ? QStringLiteral("Unfold")
                                                  : QStringLiteral("Fold");
        });
    }
    if (auto* editor = qobject_cast<TXRPropertyEditor*>(object)) {
        QPointer<TXRPropertyEditor> e(editor);
        return new TNamedAccessible(
            editor, QAccessible::ComboBox,
            [e] { return e != nullptr ? e->FullName() + " input" : QString(); },
            [e] { return e != nullptr ? e->toolTip() : QString(); },
            [e] {
                if (e == nullptr) return QString();
                if (e->ShowsSpinField() && e->SpinField() != nullptr) {
                    return e->SpinField()->DisplayText();
                }
                return e->ValueText();
            });
    }
    if (auto* preview = qobject_cast<TPreviewWidget*>(object)) {
        return new TNamedAccessible(
            preview, QAccessible::Graphic, [] { return QStringLiteral("Preview"); },
            [preview] { return preview->toolTip(); });
    }
    if (auto* canvas = qobject_cast<TXRCanvas*>(object)) {
        QPointer<TXRCanvas> v(canvas);
        TAccessibleItemSource wires;
        const auto connections =
            [v]() -> const std::vector<std::unique_ptr<TXRComponentConnection>>* {
            return v != nullptr ? &v->Window().Model().Connections() : nullptr;
        };
        wires.count = [connections] {
            const auto* all = connections();
            return all != nullptr ? static_cast<int>(all->size()) : 0;
        };
        wires.name = [connections](int i) {
            const auto* all = connections();
            return all != nullptr ? WireName(*(*all)[static_cast<size_t>(i)]) : QString();
        };
        wires.rect = [connections](int i) {
            const auto* all = connections();
            if (all == nullptr) return QRect();
            const TRect& b = (*all)[static_cast<size_t>(i)]->Bounds;
            return QRect(b.left + kViewMargin, b.top + kViewMargin, b.Width(), b.Height());
        };
        wires.selected = [](int) { return false; };
        return new TItemOwnerAccessible(canvas, QAccessible::Canvas, QAccessible::Graphic, wires);
    }
    return nullptr;
}

}  // namespace

QString WireName(const TXRComponentConnection& connection) {
    if (connection.Source == nullptr || connection.Target == nullptr) return {};
    QString target = Q(connection.Target->Title());
    if (const TPropertyState* p = connection.Target->Property(connection.Property)) {
        target += "." + Q(p->Name);
        if (connection.Part >= 0 && connection.Part < static_cast<int32_t>(p->PartLetters.size())) {
            target += "." + QString(QChar(p->PartLetters[static_cast<size_t>(connection.Part)]));
        }
    }
    return Q(connection.Source->Title()) + " → " + target;
}

void InstallEditorAccessibility() {
    InstallControlAccessibility();
    static const bool installed = [] {
        QAccessible::installFactory(&EditorFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace vandrel
