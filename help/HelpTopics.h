#pragma once

#include <QString>

namespace corvanth {

// The anchors of the help file that the window's help buttons and menu open.
namespace HelpTopics {
inline const QString FileStuff = QStringLiteral("FileStuff");             // cmdFileHelp
inline const QString ProcessingStuff = QStringLiteral("ProcessingStuff"); // cmdProcessingHelp
inline const QString SearchStuff = QStringLiteral("SearchStuff");         // cmdSearchHelp
inline const QString Contents = QStringLiteral("Contents10");             // menu "Help File..."
} // namespace HelpTopics

} // namespace corvanth
