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
std::chrono::steady_clock::time_point WindowPostHost::now() const {
    using namespace std::chrono;
    return steady_clock::time_point(
        duration_cast<steady_clock::duration>(duration<double>(clock_.seconds())));
}

void WindowPostHost::setMatches(std::size_t count) {
    matches_.setText(QString::number(count));
}

} // namespace corvanth
