#include "WindowPostHost.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>

namespace corvanth {

bool WindowPostHost::aliasesTicked() const {
    return aliases_.checkState() == Qt::Checked;
}
bool WindowPostHost::aliasesEnabled() const {
    return aliases_.isEnabled();
}
bool WindowPostHost::broadTicked() const {
    return broad_.checkState() == Qt::Checked;
}
void WindowPostHost::pumpEvents() {
    QCoreApplication::processEvents();
}
void WindowPostHost::setMatches(std::size_t count) {
    matches_.setText(QString::number(count));
}

} // namespace corvanth
