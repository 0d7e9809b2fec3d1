#pragma once

#include "HelpWindow.h"
#include "SingleWindow.h"

#include <QString>

namespace corvanth {

// The one help window of the main window: the first topic creates it, later topics reuse it and
// bring it to the front.
class HelpViewer {
public:
    // Shows the help window at `topic` (one of HelpTopics) without waiting for it.
    void ShowHelpTopic(const QString& helpFilePath, const QString& topic) {
        // Shown first: the browser scrolls to an anchor only once it is laid out.
        window_.show([] { return new HelpWindow; }).showTopic(helpFilePath, topic);
    }

    // The open help window, or null.
    HelpWindow* window() const { return window_.window(); }

private:
    SingleWindow<HelpWindow> window_;
};

} // namespace corvanth
