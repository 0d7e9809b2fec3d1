#pragma once

#include "DocumentOpener.h"

namespace corvanth {

// QDesktopServices::openUrl on the file; the result is not examined.
void OpenWithDefaultProgram(const QString& path);

// The real opener: OpenWithDefaultProgram.
class DesktopDocumentOpener : public DocumentOpener {
public:
    void open(const QString& path) override;
};

} // namespace corvanth
