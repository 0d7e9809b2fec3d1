#pragma once

#include "ResultRow.h"

#include <string>

namespace corvanth {

// The commands of the result list's pop-up menu.
enum class CopyCommand { EntireEntry, PlayerName, StrippedName, IP, LastVisit };

// The text a copy command puts on the clipboard for `row`, exactly; nothing is appended (a date text
// that ends in a carriage return is copied with it).
std::string CopyText(const ResultRow& row, CopyCommand command);

// Whether the pop-up menu is offered for the selected row (null when none): only rows that show an
// address. The window adds the other condition, that the right button was released.
bool OffersCopyMenu(const ResultRow* selected);

} // namespace corvanth
