#pragma once

#include "HelpWindow.h"

#include <QPointer>
#include <QString>

namespace corvanth {

// Owns the one help window. The main window holds one HelpViewer; the first topic creates the
// window, later topics reuse it and bring it to the front. Closing the window deletes it; the next
// topic creates it afresh.
class HelpViewer {
public:
    HelpViewer() = default;
    ~HelpViewer();
    HelpViewer(const HelpViewer&) = delete;
    HelpViewer& operator=(const HelpViewer&) = delete;

    // Shows the help window at `topic` (one of HelpTopics) without waiting for it.
    void ShowHelpTopic(const QString& helpFilePath, const QString& topic);

    // The open help window, or null.
    HelpWindow* window() const { return window_.data(); }

private:
    QPointer<HelpWindow> window_;
};

} // namespace corvanth
