#include "LabelRunHost.h"

#include <QCoreApplication>
#include <QLabel>

namespace corvanth {

void LabelRunHost::pumpEvents() {
    QCoreApplication::processEvents();
}

std::string LabelRunHost::status() const {
    return status_.text().toStdString();
}

void LabelRunHost::setStatus(std::string_view text) {
    status_.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

} // namespace corvanth
