#include "editor/controls/control_accessibility.h"

#include <QAccessibleValueInterface>
#include <QWidget>
#include <QWindow>

#include "editor/controls/cool_slider.h"
#include "editor/controls/expander_panel.h"
#include "editor/controls/gcheckbox.h"
#include "editor/controls/grad_display.h"
#include "editor/controls/image_grid_select.h"
#include "editor/controls/spin_edit.h"

namespace vandrel {
namespace {

// ---- spin field ------------------------------------------------------------------------------

class TSpinAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit TSpinAccessible(THostSpinEdit2* spin)
        : QAccessibleWidget(spin, QAccessible::SpinBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = Spin()->accessibleName();
            return name.isEmpty() ? Spin()->Caption() : name;
        }
        if (t == QAccessible::Value) return Spin()->DisplayText();
        return QAccessibleWidget::text(t);
    }
    // Typing the number into the field and pressing Enter does the same.
    void setText(QAccessible::Text t, const QString& text) override {
        if (t != QAccessible::Value) return;
        const std::optional<double> value =
            ParseSpinText(text.toStdString(), Spin()->ShowValue() == TSpinShow::Whole);
        if (value) Spin()->SetValueF(static_cast<float>(*value));
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QVariant currentValue() const override { return Spin()->ValueF(); }
    void setCurrentValue(const QVariant& value) override {
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (ok) Spin()->SetValueF(static_cast<float>(v));
    }
    QVariant maximumValue() const override { return Spin()->Max(); }
    QVariant minimumValue() const override { return Spin()->Min(); }
    QVariant minimumStepSize() const override { return Spin()->Increment(); }

  private:
    THostSpinEdit2* Spin() const { return static_cast<THostSpinEdit2*>(widget()); }
};

// ---- check box, expander, sliders --------------------------------------------------------------

class TCheckAccessible final : public QAccessibleWidget {
  public:
    explicit TCheckAccessible(TGCheckBox* box) : QAccessibleWidget(box, QAccessible::CheckBox) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return Box()->Caption();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = Box()->Checked();
        return s;
    }
    QStringList actionNames() const override { return {pressAction(), toggleAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction() || action == toggleAction())
            Box()->SetChecked(!Box()->Checked());
    }

  private:
    TGCheckBox* Box() const { return static_cast<TGCheckBox*>(widget()); }
};

class TExpanderAccessible final : public QAccessibleWidget {
  public:
    explicit TExpanderAccessible(TExpanderPanel* panel)
        : QAccessibleWidget(panel, QAccessible::Button) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return Panel()->Caption();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = Panel()->Expanded();
        s.collapsed = !Panel()->Expanded();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction()) Panel()->SetExpanded(!Panel()->Expanded());
    }

  private:
    TExpanderPanel* Panel() const { return static_cast<TExpanderPanel*>(widget()); }
};

// A slider over a position read and set through two functions.
class TSliderAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    TSliderAccessible(QWidget* widget, std::function<double()> get, std::function<void(double)> set,
                      double min, double max)
        : QAccessibleWidget(widget, QAccessible::Slider),
          get_(std::move(get)),
          set_(std::move(set)),
          min_(min),
          max_(max) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return QString::number(get_(), 'g', 4);
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return get_(); }
    void setCurrentValue(const QVariant& value) override {
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (ok) set_(v);
    }
    QVariant maximumValue() const override { return max_; }
    QVariant minimumValue() const override { return min_; }
    QVariant minimumStepSize() const override { return (max_ - min_) / 100; }

  private:
    std::function<double()> get_;
    std::function<void(double)> set_;
    double min_;
    double max_;
};

// ---- drawn items ----------------------------------------------------------------------------

class TItemAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    TItemAccessible(QWidget* owner, int index) : owner_(owner), index_(index) {}

    bool isValid() const override {
        const TItemOwnerAccessible* o = Owner();
        return o != nullptr && index_ < o->Source().count();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return owner_ != nullptr ? owner_->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(owner_);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        const TItemOwnerAccessible* o = Owner();
        if (o == nullptr || !isValid() || t != QAccessible::Name) return {};
        return o->Source().name(index_);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const TItemOwnerAccessible* o = Owner();
        if (o == nullptr || !isValid()) return {};
        const QRect local = o->Source().rect(index_);
        return QRect(owner_->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override {
        const TItemOwnerAccessible* o = Owner();
        return o != nullptr ? o->ItemRole() : QAccessible::NoRole;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        const TItemOwnerAccessible* o = Owner();
        if (o == nullptr || !isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = static_cast<bool>(o->Source().press);
        s.focusable = s.selectable;
        s.selected = o->Source().selected && o->Source().selected(index_);
        s.invisible = owner_ != nullptr && !owner_->isVisible();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }
    QStringList actionNames() const override {
        const TItemOwnerAccessible* o = Owner();
        if (o == nullptr || !o->Source().press) return {};
        return {pressAction(), setFocusAction()};
    }
    void doAction(const QString& action) override {
        const TItemOwnerAccessible* o = Owner();
        if (o != nullptr && isValid() && o->Source().press &&
            (action == pressAction() || action == setFocusAction())) {
            o->Source().press(index_);
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    const TItemOwnerAccessible* Owner() const {
        if (owner_ == nullptr) return nullptr;
        return dynamic_cast<TItemOwnerAccessible*>(QAccessible::queryAccessibleInterface(owner_));
    }

    QPointer<QWidget> owner_;
    int index_;
};

QAccessibleInterface* ControlFactory(const QString& key, QObject* object) {
    (void)key;
    if (auto* spin = qobject_cast<THostSpinEdit2*>(object)) return new TSpinAccessible(spin);
    if (auto* box = qobject_cast<TGCheckBox*>(object)) return new TCheckAccessible(box);
    if (auto* panel = qobject_cast<TExpanderPanel*>(object)) return new TExpanderAccessible(panel);
    if (auto* slider = qobject_cast<TCoolSlider*>(object)) {
        return new TSliderAccessible(
            slider, [slider] { return slider->Position(); },
            [slider](double v) { slider->SetPosition(v); }, slider->Min(), slider->Max());
    }
    if (auto* grad = qobject_cast<TGradDisplay*>(object); grad != nullptr && grad->SlideOn()) {
        return new TSliderAccessible(
            grad, [grad] { return grad->SlidePos(); }, [grad](double v) { grad->SetSlidePos(v); },
            0.0, 1.0);
    }
    if (auto* grid = qobject_cast<TImageGridSelect*>(object)) {
        QPointer<TImageGridSelect> g(grid);
        TAccessibleItemSource cells;
        cells.count = [g] { return g != nullptr ? g->Geometry().Count : 0; };
        cells.name = [g](int i) { return g != nullptr ? g->HintOf(i) : QString(); };
        cells.rect = [g](int i) { return g != nullptr ? g->CellRect(i) : QRect(); };
        cells.selected = [g](int i) { return g != nullptr && g->ItemIndex() == i; };
        cells.press = [g](int i) {
            if (g != nullptr) g->SetItemIndex(i);
        };
        return new TItemOwnerAccessible(grid, QAccessible::List, QAccessible::ListItem, cells);
    }
    return nullptr;
}

}  // namespace

TItemOwnerAccessible::TItemOwnerAccessible(QWidget* widget, QAccessible::Role role,
                                           QAccessible::Role itemRole, TAccessibleItemSource source)
    : QAccessibleWidget(widget, role), itemRole_(itemRole), source_(std::move(source)) {}

TItemOwnerAccessible::~TItemOwnerAccessible() {
    for (const QAccessible::Id id : items_) QAccessible::deleteAccessibleInterface(id);
}

int TItemOwnerAccessible::WidgetChildren() const { return QAccessibleWidget::childCount(); }

void TItemOwnerAccessible::Sync() const {
    const size_t count = static_cast<size_t>(std::max(0, source_.count()));
    while (items_.size() > count) {
        QAccessible::deleteAccessibleInterface(items_.back());
        items_.pop_back();
    }
    while (items_.size() < count) {
        items_.push_back(QAccessible::registerAccessibleInterface(
            new TItemAccessible(widget(), static_cast<int>(items_.size()))));
    }
}

int TItemOwnerAccessible::childCount() const {
    Sync();
    return WidgetChildren() + static_cast<int>(items_.size());
}

QAccessibleInterface* TItemOwnerAccessible::child(int index) const {
    const int widgets = WidgetChildren();
    if (index < widgets) return QAccessibleWidget::child(index);
    Sync();
    const size_t item = static_cast<size_t>(index - widgets);
    return item < items_.size() ? QAccessible::accessibleInterface(items_[item]) : nullptr;
}

int TItemOwnerAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const int found = QAccessibleWidget::indexOfChild(child);
    if (found >= 0) return found;
    Sync();
    for (size_t i = 0; i < items_.size(); ++i) {
        if (QAccessible::accessibleInterface(items_[i]) == child) {
            return WidgetChildren() + static_cast<int>(i);
        }
    }
    return -1;
}

QAccessibleInterface* TItemOwnerAccessible::childAt(int x, int y) const {
    // Widgets lie above the drawn items.
    for (int i = 0; i < WidgetChildren(); ++i) {
        QAccessibleInterface* c = QAccessibleWidget::child(i);
        if (c != nullptr && c->rect().contains(x, y) && !c->state().invisible) return c;
    }
    Sync();
    for (const QAccessible::Id id : items_) {
        QAccessibleInterface* item = QAccessible::accessibleInterface(id);
        if (item != nullptr && item->rect().contains(x, y)) return item;
    }
    return nullptr;
}

void InstallControlAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&ControlFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace vandrel
