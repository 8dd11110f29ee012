// TExpanderPanel: a 19-pixel header that shows or hides the control attached to it.
//
// The header draws its caption engraved, etched lines beside it and a triangle glyph at both
// ends: Marlett "5" (up) or "6" (down), drawn as triangles where that font is missing. A
// top-aligned panel that is not Reversed shows "5" while expanded and "6" while collapsed; bottom
// alignment or Reversed swap them (both together swap twice). A click toggles Expanded; the
// attached control's height follows, and the hint reads "Click to hide " or "Click to show "
// followed by AutoHint.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>
#include <string_view>

namespace vandrel {

inline constexpr int kExpanderHeaderHeight = 19;

// '5' or '6'.
char ExpanderGlyph(bool expanded, bool bottomAligned, bool reversed);
std::string ExpanderHint(bool expanded, std::string_view autoHint);

class TExpanderPanel : public QWidget {
    Q_OBJECT

  public:
    explicit TExpanderPanel(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    QString AutoHint() const { return autoHint_; }
    void SetAutoHint(const QString& hint);
    bool Expanded() const { return expanded_; }
    void SetExpanded(bool expanded);
    int ExpandedHeight() const { return expandedHeight_; }
    void SetExpandedHeight(int height);
    int CollapsedHeight() const { return collapsedHeight_; }
    void SetCollapsedHeight(int height);
    QWidget* AttachedControl() const { return attached_; }
    void SetAttachedControl(QWidget* control);
    bool Reversed() const { return reversed_; }
    void SetReversed(bool reversed);
    bool BottomAligned() const { return bottom_; }
    void SetBottomAligned(bool bottom);
    QSize sizeHint() const override { return {200, kExpanderHeaderHeight}; }
    QSize minimumSizeHint() const override { return {40, kExpanderHeaderHeight}; }

  Q_SIGNALS:
    void OnChange();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void Apply();

    QString caption_;
    QString autoHint_;
    bool expanded_ = true;
    int expandedHeight_ = 100;
    int collapsedHeight_ = 0;
    QPointer<QWidget> attached_;
    bool reversed_ = false;
    bool bottom_ = false;
};

}  // namespace vandrel
