#include "editor/input_menu_widget.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPoint>
#include <map>

#include "editor/model/geometry.h"
#include "editor/model/graph_model.h"
#include "editor/model/input_menu.h"

namespace vandrel {

namespace {

// The small icon of "$" items: a dot in the kind's colour.
QIcon ItemIcon(int32_t kind) {
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const TRgb c = KindColor(kind).value_or(TRgb{128, 128, 128});
    p.setPen(Qt::white);
    p.setBrush(QColor(c.r, c.g, c.b));
    p.drawEllipse(1, 1, 9, 9);
    return QIcon(pixmap);
}

void Fill(QMenu& menu, const std::vector<TInputMenuItem>& items, bool connected, int32_t kind,
          std::map<QAction*, const TInputMenuItem*>& actions) {
    for (const TInputMenuItem& item : items) {
        switch (item.action) {
            case TInputMenuItem::kHidden:
                break;
            case TInputMenuItem::kSeparator:
                menu.addSeparator();
                break;
            case TInputMenuItem::kDisconnect:
                if (!connected) break;
                [[fallthrough]];
            default: {
                if (item.action == TInputMenuItem::kSubmenu) {
                    QMenu* sub = menu.addMenu(QString::fromStdString(item.caption));
                    if (item.icon) sub->setIcon(ItemIcon(kind));
                    Fill(*sub, item.children, connected, kind, actions);
                    break;
                }
                QAction* action = menu.addAction(QString::fromStdString(item.caption));
                if (item.icon) action->setIcon(ItemIcon(kind));
                actions[action] = &item;
            }
        }
    }
}

}  // namespace

bool ExecInputMenu(QWidget* parent, const QPoint& globalPos, TXRGraphModel& model,
                   TXRComponentContainer* container, int32_t prop, int32_t part) {
    if (container == nullptr) return false;
    const TPropertyState* p = container->Property(prop);
    if (p == nullptr) return false;
    std::vector<TInputMenuItem> items;
    int32_t kind = part >= 0 ? kNumerical : p->Kind;
    if (p->Kind == kEnumeration) {
        items = BuildEnumMenu(p->Items);
    } else if (p->Kind == kFile) {
        items = BuildFileMenu();
    } else {
        items = BuildInputMenu(kind, p->IsInteger && part < 0);
    }
    QMenu menu(parent);
    // A menu is a window of its own and would take the application's font.
    menu.setFont(parent != nullptr ? parent->font() : menu.font());
    std::map<QAction*, const TInputMenuItem*> actions;
    Fill(menu, items, p->Input(part).ComponentConnected(), kind, actions);
    QAction* chosen = menu.exec(globalPos);
    const auto it = actions.find(chosen);
    if (it == actions.end()) return false;
    return ChooseInputMenuItem(model, container, prop, part, *it->second);
}

}  // namespace vandrel
