#pragma once

#include "LogFileChooser.h"

namespace corvanth {

// The open-file dialog: "Select Quake 3 Game Log File", one filter "Log Files (*.log)", opens in the
// current directory; the file need not exist. The current directory then moves to the chosen file's
// folder, so the next dialog opens there.
class FileDialogChooser : public LogFileChooser {
public:
    QString GetLogFileName(QWidget* owner) override;
};

} // namespace corvanth
