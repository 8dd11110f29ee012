// The "New Component" dialog: title and hint of a custom component made from a subtree, and the
// name, hint and (vector properties) part letters of each of its properties.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <vector>

#include "components/custom/custom_components.h"

namespace vandrel {

class TAddPresetDialog final : public QDialog {
    Q_OBJECT

  public:
    // The fields start from the parts (property names from the triggers' labels; "XYZ").
    TAddPresetDialog(const TCustomDefinitionParts& parts, QWidget* parent = nullptr);

    // The parts with what was typed.
    TCustomDefinitionParts Result() const;

    QLineEdit* TitleField() const { return title_; }
    QLineEdit* HintField() const { return hint_; }
    QLineEdit* NameField(int property) const { return names_.at(static_cast<size_t>(property)); }
    QLineEdit* PropertyHintField(int property) const {
        return hints_.at(static_cast<size_t>(property));
    }
    // Null for a property that is not a vector.
    QLineEdit* PostfixField(int property) const {
        return postfixes_.at(static_cast<size_t>(property));
    }

    // Shows the dialog modally; true and the typed parts after OK.
    static bool Execute(QWidget* parent, TCustomDefinitionParts& parts);

  private:
    TCustomDefinitionParts parts_;
    QLineEdit* title_ = nullptr;
    QLineEdit* hint_ = nullptr;
    std::vector<QLineEdit*> names_;
    std::vector<QLineEdit*> hints_;
    std::vector<QLineEdit*> postfixes_;
};

}  // namespace vandrel
