#pragma once

#include <QString>

class QWidget;

namespace corvanth {

// Lets the user pick the log file. Returns its full path, or empty text when the user cancelled.
class LogFileChooser {
public:
    virtual ~LogFileChooser() = default;
    virtual QString GetLogFileName(QWidget* owner) = 0;
};

} // namespace corvanth
