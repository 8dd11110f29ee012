// THostSpinEdit2: a caption, a value field that opens an inline editor when clicked, and a small
// up/down button.
//
// The text rules live in plain functions so that they can be checked without a window:
//   - Limits: unless Min and Max are both 0, a value is clamped to Min … Max; with PositiveOnly a
//     negative value then becomes 0. Setting Min raises Max to Min when Max is lower; setting Max
//     below Min stores Min.
//   - ValueInt is the value rounded to the nearest integer, halves to even (NaN and values out of
//     the 32-bit range give INT32_MIN, never undefined behaviour).
//   - Float display is "#####0.0###": at least one digit before the point, one to four after it
//     (0.5 shows "0.5", 2 shows "2.0"); whole-number display shows ValueInt.
//   - The inline editor takes only "0123456789-" (whole numbers) or "0123456789-.,eE" (floats);
//     "," reads as the decimal point. Text that does not read as a finite number is dropped and
//     the value stays as it was.
//   - A wheel notch over the field steps the value by Increment, as the spin button does.
//   - Enter commits, Escape cancels, leaving the field commits. Tab and Down move to the next spin
//     field of the same parent, Backtab and Up to the previous one, wrapping around.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QLineEdit;
class QTimer;

namespace vandrel {

inline constexpr std::string_view kSpinWholeChars = "0123456789-";
inline constexpr std::string_view kSpinFloatChars = "0123456789-.,eE";

struct TSpinLimits {
    float Min = 0;
    float Max = 0;
    bool PositiveOnly = false;
};

bool SpinAcceptsChar(char32_t c, bool wholeNumbers);
// The value typed, or nothing when the text is not a finite number of the field's kind.
std::optional<double> ParseSpinText(std::string_view text, bool wholeNumbers);
// "#####0.0###" of the float's shortest decimal form, halves away from zero; "NAN", "INF" and
// "-INF" for values that are not finite.
std::string FormatSpinFloat(float value);
float ClampSpinValue(float value, const TSpinLimits& limits);
void SetSpinMin(TSpinLimits& limits, float min);
void SetSpinMax(TSpinLimits& limits, float max);
int32_t RoundSpinValue(float value);
// The field that Tab (forward) or Backtab reaches from index among count fields.
int WrapSpinIndex(int index, int count, bool forward);

enum class TSpinShow { Float, Whole };
enum class TSpinBorder { None, Single };

class THostSpinEdit2 : public QWidget {
    Q_OBJECT

  public:
    explicit THostSpinEdit2(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    Qt::Alignment CaptionAlign() const { return captionAlign_; }
    void SetCaptionAlign(Qt::Alignment align);
    QColor CaptionColor() const { return captionColor_; }
    void SetCaptionColor(const QColor& color);
    int EditorWidth() const { return editorWidth_; }
    void SetEditorWidth(int width);
    QColor EditorColor() const { return editorColor_; }
    void SetEditorColor(const QColor& color);
    TSpinBorder EditorBorderStyle() const { return border_; }
    void SetEditorBorderStyle(TSpinBorder border);

    float Min() const { return limits_.Min; }
    void SetMin(float min);
    float Max() const { return limits_.Max; }
    void SetMax(float max);
    bool PositiveOnly() const { return limits_.PositiveOnly; }
    void SetPositiveOnly(bool on);
    float Increment() const { return increment_; }
    void SetIncrement(float step) { increment_ = step; }
    float ValueF() const { return value_; }
    void SetValueF(float value);
    int32_t ValueInt() const { return valueInt_; }
    void SetValueInt(int32_t value) { SetValueF(static_cast<float>(value)); }
    TSpinShow ShowValue() const { return show_; }
    void SetShowValue(TSpinShow show);
    bool LargeSpinButton() const { return largeButton_; }
    void SetLargeSpinButton(bool large);

    // The text the value field shows now.
    QString DisplayText() const;
    // Opens the inline editor as a click on the value does; null when none is open.
    void StartEdit();
    QLineEdit* InlineEditor() const { return editor_; }
    // Where the value is shown (a click there opens the inline editor) and the spin button.
    QRect ValueRect() const;
    QRect ButtonRect() const;

  Q_SIGNALS:
    void OnChange();
    void OnEnter();
    void OnExit();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    friend class TSpinLineEdit;
    enum class Move { Stay, Next, Previous };

    void Step(int direction);
    void FinishEdit(bool commit, Move move);

    QString caption_;
    Qt::Alignment captionAlign_ = Qt::AlignLeft | Qt::AlignVCenter;
    QColor captionColor_ = Qt::black;
    int editorWidth_ = 48;
    QColor editorColor_ = Qt::white;
    TSpinBorder border_ = TSpinBorder::Single;
    TSpinLimits limits_;
    float increment_ = 1;
    float value_ = 0;
    int32_t valueInt_ = 0;
    TSpinShow show_ = TSpinShow::Float;
    bool largeButton_ = false;
    int pressed_ = 0;  // +1 up half held, -1 down half held
    QLineEdit* editor_ = nullptr;
    QTimer* repeat_ = nullptr;
    bool finishing_ = false;
    int wheel_ = 0;  // wheel turn not yet a whole notch
};

}  // namespace vandrel
