// Driving the plug-in's windows as a person does: QTest input on the real widgets, answers typed
// into the real message boxes, file dialogs and menus, drops delivered as a drag delivers them,
// and the event loop run until the windows have caught up.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "qt_test_support.h"

namespace vandrel::test {

// Runs the event loop until done() holds; false after the deadline.
inline bool WaitUntil(const std::function<bool()>& done, int milliseconds = 30000) {
    QElapsedTimer timer;
    timer.start();
    // Wakes the loop when nothing else does; the preview's hand-overs and the renders' passes
    // wake it as soon as they are posted.
    QTimer tick;
    tick.start(5);
    while (!done()) {
        if (timer.elapsed() > milliseconds) return false;
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Delivers a drop as a drag does: enter, move and drop to the widget under the point that takes
// drops (the deepest one, else its nearest parent that does). True when the drop was accepted.
inline bool DropAt(QWidget* root, QPoint at, QMimeData* mime, Qt::DropAction action) {
    QWidget* target = root->childAt(at);
    if (target == nullptr) target = root;
    while (target != nullptr && !target->acceptDrops()) target = target->parentWidget();
    if (target == nullptr) return false;
    const QPoint local = target->mapFrom(root, at);
    QDragEnterEvent enter(local, action, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDragMoveEvent move(local, action, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted()) return false;
    QDropEvent drop(QPointF(local), action, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

// What the next modal window of the kind does once it is up: the action runs on it from the
// event loop, as a person acts on a box that has just opened. Returns a flag that tells whether
// it ran.
template <class T = QWidget>
std::shared_ptr<bool> OnNextModal(std::function<void(T*)> act) {
    auto ran = std::make_shared<bool>(false);
    // The poll lives as long as a timer is set for it.
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> self = poll;
    *poll = [ran, act, self] {
        if (T* modal = qobject_cast<T*>(QApplication::activeModalWidget())) {
            *ran = true;
            act(modal);
            return;
        }
        if (auto again = self.lock()) QTimer::singleShot(5, [again] { (*again)(); });
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
    return ran;
}

// Presses a key in the next message box (Enter, Escape) and records its text.
inline std::shared_ptr<bool> KeyInNextMessageBox(Qt::Key key, QString* text = nullptr) {
    return OnNextModal<QMessageBox>([key, text](QMessageBox* box) {
        if (text != nullptr) *text = box->text();
        QTest::keyClick(box, key);
    });
}

// Clicks a button of the next message box.
inline std::shared_ptr<bool> ClickInNextMessageBox(QMessageBox::StandardButton button) {
    return OnNextModal<QMessageBox>(
        [button](QMessageBox* box) { QTest::mouseClick(box->button(button), Qt::LeftButton); });
}

// Types a file name into the next file dialog (which opens in the folder the command chose) and
// accepts it.
inline std::shared_ptr<bool> TypeInNextFileDialog(const std::string& path) {
    return OnNextModal<QFileDialog>([path](QFileDialog* dialog) {
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->selectAll();
        QTest::keyClicks(name, QString::fromStdString(path));
        // Typing a path opens a completion list, which would take Enter and the next click:
        // Escape closes it, then the dialog's own accept button ("Save", "Open") is clicked.
        if (QCompleter* completer = name->completer();
            completer != nullptr && completer->popup()->isVisible()) {
            QTest::keyClick(completer->popup(), Qt::Key_Escape);
        }
        auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
        ASSERT_NE(buttons, nullptr);
        for (QAbstractButton* b : buttons->buttons()) {
            if (buttons->buttonRole(b) == QDialogButtonBox::AcceptRole) {
                QTest::mouseClick(b, Qt::LeftButton);
                return;
            }
        }
        ADD_FAILURE() << "the file dialog has no accept button";
    });
}

// Chooses menu entries by their captions in the menus that pop up next: each entry of the path
// is made active and Enter pressed, which opens a submenu or triggers the entry.
inline std::shared_ptr<bool> ChooseInNextMenu(std::vector<QString> path) {
    auto done = std::make_shared<bool>(false);
    auto step = std::make_shared<std::function<void(size_t)>>();
    std::weak_ptr<std::function<void(size_t)>> self = step;
    *step = [done, self, path](size_t depth) {
        const auto again = self.lock();
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr || (depth > 0 && menu->title() != path[depth - 1])) {
            QTimer::singleShot(5, [again, depth] { (*again)(depth); });
            return;
        }
        QAction* found = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text() == path[depth]) found = action;
        }
        ASSERT_NE(found, nullptr) << path[depth].toStdString() << " is not in the menu";
        menu->setActiveAction(found);
        QTest::keyClick(menu, Qt::Key_Return);
        if (depth + 1 < path.size()) {
            QTimer::singleShot(5, [again, depth] { (*again)(depth + 1); });
        } else {
            *done = true;
        }
    };
    QTimer::singleShot(0, [step] { (*step)(0); });
    return done;
}

// The accessible interfaces under one, depth first.
inline void WalkAccessible(QAccessibleInterface* node,
                           const std::function<void(QAccessibleInterface*)>& visit) {
    if (node == nullptr) return;
    visit(node);
    for (int i = 0; i < node->childCount(); ++i) WalkAccessible(node->child(i), visit);
}

inline QAccessibleInterface* FindAccessible(QWidget* window, QAccessible::Role role,
                                            const QString& name,
                                            QAccessibleInterface* within = nullptr) {
    QAccessibleInterface* found = nullptr;
    WalkAccessible(
        within != nullptr ? within : QAccessible::queryAccessibleInterface(window),
        [&](QAccessibleInterface* node) {
            if (found == nullptr && node->role() == role && node->text(QAccessible::Name) == name) {
                found = node;
            }
        });
    return found;
}

// The widgets of a window that a person sees, for the layout checks.
inline std::vector<QWidget*> VisibleChildren(QWidget* parent) {
    std::vector<QWidget*> out;
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w != nullptr && !w->isWindow() && w->isVisible()) out.push_back(w);
    }
    return out;
}

// Every pair of overlapping siblings and every label whose text is wider than its room, under
// the widget; empty when the layout is clean. Children of a scrolled area are its own business.
inline std::vector<std::string> LayoutFaults(QWidget* root) {
    std::vector<std::string> faults;
    const auto name = [](QWidget* w) {
        const QString n =
            w->objectName().isEmpty() ? QString(w->metaObject()->className()) : w->objectName();
        return n.toStdString();
    };
    std::function<void(QWidget*)> visit = [&](QWidget* parent) {
        const std::vector<QWidget*> children = VisibleChildren(parent);
        for (size_t i = 0; i < children.size(); ++i) {
            for (size_t j = i + 1; j < children.size(); ++j) {
                if (children[i]->geometry().intersects(children[j]->geometry())) {
                    faults.push_back(name(children[i]) + " overlaps " + name(children[j]) + " in " +
                                     name(parent));
                }
            }
            if (!parent->rect().contains(children[i]->geometry())) {
                faults.push_back(name(children[i]) + " reaches outside " + name(parent));
            }
            if (auto* label = qobject_cast<QLabel*>(children[i]);
                label != nullptr && !label->wordWrap() && label->pixmap().isNull()) {
                int text = 0;
                for (const QString& line : label->text().split('\n')) {
                    text = std::max(text, label->fontMetrics().horizontalAdvance(line));
                }
                const int room = label->contentsRect().width();
                if (text > room) {
                    faults.push_back("label \"" + label->text().toStdString() + "\" is cut (" +
                                     std::to_string(text) + " > " + std::to_string(room) + ")");
                }
            }
            if (auto* button = qobject_cast<QAbstractButton*>(children[i]);
                button != nullptr && !button->text().isEmpty()) {
                // A check box draws its box before the text.
                const int extra = qobject_cast<QCheckBox*>(button) != nullptr ? 18 : 2;
                const int text = button->fontMetrics().horizontalAdvance(button->text()) + extra;
                if (text > button->width()) {
                    faults.push_back("button \"" + button->text().toStdString() + "\" is cut");
                }
            }
            if (auto* tabs = qobject_cast<QTabBar*>(children[i]);
                tabs != nullptr && tabs->count() > 0) {
                if (tabs->tabRect(tabs->count() - 1).right() >= tabs->width()) {
                    faults.push_back("the tabs of " + name(tabs) + " do not fit");
                }
            }
            // What a scrolled area shows is laid out by its owner.
            if (qobject_cast<QAbstractScrollArea*>(children[i]) == nullptr) visit(children[i]);
        }
    };
    visit(root);
    return faults;
}

}  // namespace vandrel::test
