#include "LabelRunHost.h"

#include <QCoreApplication>
#include <QLabel>

namespace corvanth {

void LabelRunHost::pumpEvents() {
    QCoreApplication::processEvents();
}

void LabelRunHost::setStatus(std::string_view text) {
    status_.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

} // namespace corvanth
