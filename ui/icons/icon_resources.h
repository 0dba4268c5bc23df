#pragma once

#include <string>

#include <QIcon>
#include <QPixmap>

namespace vindrel {

// Identifier of the icon that pictures an APRS symbol: 2000 + the symbol's byte (0..255) for
// table "/", 2200 + the byte for a backslash, 0 for any other table character or when either
// text is empty. Only the first character of each text counts. The identifier is returned even
// when no icon has it (for example a backslash with "K"); LoadIconPixmap then gives nothing.
int SymbolIconId(const std::string& tableChar, const std::string& symbolChar);

// The 32x32 icon with numeric identifier `id` (128, 130, 2032..2127, 2265..2274), loaded from
// the program's resources each time; a null pixmap when no icon has that identifier. Needs a
// QGuiApplication.
QPixmap LoadIconPixmap(int id);

inline constexpr int kApplicationIconId = 128;
inline constexpr int kSquelchIconId = 130;

QIcon ApplicationIcon();  // icon 128: window, About box, minimised window
QIcon SquelchIcon();      // icon 130: squelch dialog

}  // namespace vindrel
