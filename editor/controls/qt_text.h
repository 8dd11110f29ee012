// Text between the model (UTF-8 std::string) and Qt (QString), for every editor window.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace vandrel {

inline QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string S(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace vandrel
