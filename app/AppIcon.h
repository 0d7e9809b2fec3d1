#pragma once

#include <QIcon>

namespace corvanth {

// The program's icon and the picture of the help buttons, drawn from the built-in SVG files at the
// sizes the window system asks for most (16, 24, 32, 48 pixels).
QIcon ProgramIcon();
QIcon HelpButtonIcon();

} // namespace corvanth
