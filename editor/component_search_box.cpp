#include "editor/component_search_box.h"

#include <QApplication>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "editor/controls/control_fonts.h"

namespace vandrel {

TComponentSearchBox::TComponentSearchBox(QWidget* parent) : QFrame(parent) {
    setObjectName("SearchBox");
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    setFont(ControlFont(8));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    field_ = new QLineEdit(this);
    field_->setObjectName("SearchField");
    field_->setPlaceholderText("Search components");
    field_->setAccessibleName("Search components");
    list_ = new QListWidget(this);
    list_->setObjectName("SearchResults");
    list_->setAccessibleName("Matching components");
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setUniformItemSizes(true);
    layout->addWidget(field_);
    layout->addWidget(list_, 1);
    resize(260, 200);
    field_->installEventFilter(this);
    connect(field_, &QLineEdit::textEdited, this, [this] { Refill(); });
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        list_->setCurrentItem(item);
        Choose();
    });
    hide();
}

void TComponentSearchBox::Open(QPoint at, const TSearchFilter& filter, const QString& text,
                               std::function<void(int32_t)> chosen) {
    filter_ = filter;
    chosen_ = std::move(chosen);
    field_->setText(text);
    Refill();
    const QSize room = parentWidget() != nullptr ? parentWidget()->size() : size();
    move(std::clamp(at.x(), 0, std::max(0, room.width() - width())),
         std::clamp(at.y(), 0, std::max(0, room.height() - height())));
    show();
    raise();
    field_->setFocus();
}

void TComponentSearchBox::Close() {
    chosen_ = nullptr;
    hide();
}

int32_t TComponentSearchBox::Current() const {
    const QListWidgetItem* item = list_->currentItem();
    return item != nullptr ? item->data(Qt::UserRole).toInt() : -1;
}

void TComponentSearchBox::Refill() {
    list_->clear();
    for (const TSearchHit& hit : SearchComponents(field_->text().toStdString(), filter_)) {
        QString text = QString::fromUtf8(hit.Row->name);
        // Why it is listed when the name itself did not match.
        if (!hit.Matched.empty()) text += "  ·  " + QString::fromStdString(hit.Matched);
        auto* item = new QListWidgetItem(text, list_);
        item->setData(Qt::UserRole, hit.Row->id);
        item->setToolTip(QString::fromUtf8(hit.Row->name));
    }
    if (list_->count() > 0) list_->setCurrentRow(0);
}

void TComponentSearchBox::Choose() {
    const int32_t typeId = Current();
    std::function<void(int32_t)> chosen = std::move(chosen_);
    Close();
    if (typeId > 0 && chosen) chosen(typeId);
}

bool TComponentSearchBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int row = list_->currentRow();
        switch (key->key()) {
            case Qt::Key_Down:
                if (row + 1 < list_->count()) list_->setCurrentRow(row + 1);
                return true;
            case Qt::Key_Up:
                if (row > 0) list_->setCurrentRow(row - 1);
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                Choose();
                return true;
            case Qt::Key_Escape:
                Close();
                return true;
            default:
                break;
        }
    }
    if (watched == field_ && event->type() == QEvent::FocusOut && isVisible()) {
        // A click on the list keeps it; anywhere else closes it.
        const auto* focus = static_cast<QFocusEvent*>(event);
        if (focus->reason() == Qt::MouseFocusReason && !underMouse()) Close();
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace vandrel
