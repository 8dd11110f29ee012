// The search box of "search to add": a field and the components that match what is typed, best
// first (editor/model/component_search.h). Up and Down move through the list, Enter or a click
// chooses, Escape or a click elsewhere closes it. It floats above the canvas, inside the editor.
#pragma once

#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <functional>

#include "editor/model/component_search.h"

namespace vandrel {

class TComponentSearchBox final : public QFrame {
    Q_OBJECT
  public:
    explicit TComponentSearchBox(QWidget* parent);

    // Opens with its top-left corner at the point (parent coordinates, kept inside the parent),
    // listing what the filter lets through; the handler gets the chosen type id.
    void Open(QPoint at, const TSearchFilter& filter, const QString& text,
              std::function<void(int32_t)> chosen);
    void Close();
    QLineEdit* Field() const { return field_; }
    QListWidget* List() const { return list_; }
    // The type id of the highlighted entry, -1 when the list is empty.
    int32_t Current() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Refill();
    void Choose();

    QLineEdit* field_;
    QListWidget* list_;
    TSearchFilter filter_;
    std::function<void(int32_t)> chosen_;
};

}  // namespace vandrel
