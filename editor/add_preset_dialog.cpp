#include "editor/add_preset_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "editor/controls/control_fonts.h"
#include "editor/controls/qt_text.h"

namespace vandrel {

TAddPresetDialog::TAddPresetDialog(const TCustomDefinitionParts& parts, QWidget* parent)
    : QDialog(parent), parts_(parts) {
    setWindowTitle("New Component");
    auto* layout = new QVBoxLayout(this);
    auto* head = new QFormLayout;
    setFont(ControlFont());
    title_ = new QLineEdit(Q(parts.Title), this);
    title_->setObjectName("EditTitle");
    hint_ = new QLineEdit(Q(parts.Hint), this);
    hint_->setObjectName("EditHint");
    head->addRow("Component Title", title_);
    head->addRow("Component Hint", hint_);
    layout->addLayout(head);

    auto* properties = new QWidget;
    auto* list = new QVBoxLayout(properties);
    if (parts.Properties.empty()) {
        list->addWidget(new QLabel("This component has no properties.", properties));
    }
    for (size_t i = 0; i < parts.Properties.size(); ++i) {
        const TCustomProperty& p = parts.Properties[i];
        auto* group = new QGroupBox(QString("Property %1").arg(i + 1), properties);
        auto* form = new QFormLayout(group);
        names_.push_back(new QLineEdit(Q(p.Name), group));
        hints_.push_back(new QLineEdit(Q(p.Hint), group));
        form->addRow("Name", names_.back());
        form->addRow("Hint", hints_.back());
        if (p.Kind == kVector) {
            postfixes_.push_back(
                new QLineEdit(Q(p.PartLetters.empty() ? "XYZ" : p.PartLetters), group));
            postfixes_.back()->setMaxLength(3);
            form->addRow("Postfix", postfixes_.back());
        } else {
            postfixes_.push_back(nullptr);
        }
        list->addWidget(group);
    }
    list->addStretch(1);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(properties);
    scroll->setWidgetResizable(true);
    layout->addWidget(scroll, 1);
    auto* note = new QLabel(
        "Note: Keep in mind that property names\nmust fit into the component so try to\n"
        "keep them as short as possible.",
        this);
    layout->addWidget(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(300, 420);
}

TCustomDefinitionParts TAddPresetDialog::Result() const {
    TCustomDefinitionParts out = parts_;
    out.Title = S(title_->text());
    out.Hint = S(hint_->text());
    for (size_t i = 0; i < out.Properties.size(); ++i) {
        out.Properties[i].Name = S(names_[i]->text());
        out.Properties[i].Hint = S(hints_[i]->text());
        if (postfixes_[i] != nullptr) {
            // Three letters, one per part; a short entry keeps the default letters' rest.
            std::string letters = S(postfixes_[i]->text());
            const std::string fallback = "XYZ";
            letters.resize(3, ' ');
            for (size_t k = 0; k < 3; ++k) {
                if (letters[k] == ' ') letters[k] = fallback[k];
            }
            out.Properties[i].PartLetters = letters;
        }
    }
    return out;
}

bool TAddPresetDialog::Execute(QWidget* parent, TCustomDefinitionParts& parts) {
    TAddPresetDialog dialog(parts, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    parts = dialog.Result();
    return true;
}

}  // namespace vandrel
