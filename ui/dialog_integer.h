#pragma once

#include <optional>

class QString;

namespace vindrel {

// Reads an integer typed into an edit field the way the dialog's checks accept it: only the
// first 31 characters count; blanks and tabs may surround an optionally signed run of decimal
// digits and nothing else may be there. A number that reads as zero must begin with the digit 0,
// so "-0" and "+0" are refused. Values beyond the 32-bit range read as its nearest end, so that
// the range check, not the format check, reports them. nullopt when the text is no integer.
std::optional<int> ParseDialogInteger(const QString& text);

}  // namespace vindrel
