#include "editor/controls/qt_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QStringList>

#include "editor/controls/color_picker.h"
#include "editor/controls/control_fonts.h"
#include "editor/controls/qt_text.h"

namespace vandrel {
namespace {

QString StartPath(const TFileRequest& request) {
    if (request.ProposedName.empty()) return Q(request.Folder);
    if (request.Folder.empty() || request.ProposedName.front() == '/') {
        return Q(request.ProposedName);
    }
    return Q(request.Folder) + '/' + Q(request.ProposedName);
}

QWidget* Owner() { return QApplication::activeWindow(); }

}  // namespace

QString QtNameFilters(std::string_view filter) {
    QStringList filters;
    for (const TFilterPair& pair : ParseDialogFilter(filter)) {
        // Patterns may be separated by ";" or ", " in stored filters.
        QString patterns = Q(pair.Patterns);
        patterns.replace(';', ' ').replace(',', ' ');
        const QString simplified = patterns.simplified();
        filters << (Q(pair.Description) + " (" + simplified + ")");
    }
    return filters.join(";;");
}

std::optional<std::string> TQtDialogs::SaveFile(const TFileRequest& request) {
    QFileDialog dialog(Owner(), Q(request.Title), StartPath(request),
                       QtNameFilters(request.Filter));
    dialog.setFont(ControlFont());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!request.DefaultSuffix.empty()) {
        std::string_view suffix = request.DefaultSuffix;
        if (suffix.front() == '.') suffix.remove_prefix(1);
        dialog.setDefaultSuffix(Q(suffix));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return S(dialog.selectedFiles().front());
}

std::optional<std::string> TQtDialogs::OpenFile(const TFileRequest& request) {
    QFileDialog dialog(Owner(), Q(request.Title), StartPath(request),
                       QtNameFilters(request.Filter));
    dialog.setFont(ControlFont());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return S(dialog.selectedFiles().front());
}

std::optional<std::array<double, 3>> TQtDialogs::PickColor(std::string_view title,
                                                           const std::array<double, 3>& initial,
                                                           bool ownPicker) {
    std::array<double, 3> rgb = initial;
    if (ownPicker) {
        if (!TColSelect::Execute(Owner(), Q(title), rgb)) return std::nullopt;
        return rgb;
    }
    QColor start;
    start.setRgbF(static_cast<float>(rgb[0]), static_cast<float>(rgb[1]),
                  static_cast<float>(rgb[2]));
    const QColor chosen = QColorDialog::getColor(start, Owner(), Q(title));
    if (!chosen.isValid()) return std::nullopt;
    return std::array<double, 3>{chosen.redF(), chosen.greenF(), chosen.blueF()};
}

void InstallQtDialogsOnce() {
    static TQtDialogs dialogs;
    // The default, not an installation: dialogs a test installs before or after take precedence
    // while they are installed, and the Qt ones are back once they are gone.
    SetDefaultDialogs(&dialogs);
}

}  // namespace vandrel
