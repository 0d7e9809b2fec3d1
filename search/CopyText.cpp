#include "CopyText.h"

namespace corvanth {

std::string CopyText(const ResultRow& row, CopyCommand command) {
    switch (command) {
    case CopyCommand::EntireEntry:
        return "Name: " + row.Text() + ", Stripped Name: " + row.Cell(ResultCell::StripName) +
               ", IP: " + row.Cell(ResultCell::IP) +
               ", Last Connection: " + row.Cell(ResultCell::LastConnection) +
               ", Referee: " + row.Cell(ResultCell::Referee);
    case CopyCommand::PlayerName:
        return "Name: " + row.Text();
    case CopyCommand::StrippedName:
        return "Stripped Name: " + row.Cell(ResultCell::StripName);
    case CopyCommand::IP:
        return "IP: " + row.Cell(ResultCell::IP);
    case CopyCommand::LastVisit:
        return "Last Connection: " + row.Cell(ResultCell::LastConnection);
    }
    return {};
}

bool OffersCopyMenu(const ResultRow* selected) {
    return selected != nullptr && !selected->Cell(ResultCell::IP).empty();
}

} // namespace corvanth
