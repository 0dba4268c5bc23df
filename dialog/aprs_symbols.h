#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vindrel {

// One APRS symbol: its table ("/" primary, backslash alternate), its code (0x21..0x7E) and its
// Dutch name (ASCII, unique without regard to case, so that a name picks one symbol).
struct AprsSymbol {
  char table;
  char code;
  const char* name;
};

inline constexpr char kPrimaryTable = '/';
inline constexpr char kAlternateTable = '\\';

// Every defined symbol of both tables, the primary table first, each in code order. Codes that
// the APRS symbol tables leave undefined or reserve (such as "/\"", "\\1" to "\\7" and the
// stream switches "|" and "~") are absent.
// clang-format off
inline constexpr AprsSymbol kAprsSymbols[] = {
    {'/', '!', "Politiebureau"},          {'/', '#', "Digipeater"},
    {'/', '$', "Telefoon"},               {'/', '%', "DX-cluster"},
    {'/', '&', "HF-gateway"},             {'/', '\'', "Klein vliegtuig"},
    {'/', '(', "Mobiel satellietstation"}, {'/', ')', "Rolstoel"},
    {'/', '*', "Sneeuwscooter"},          {'/', '+', "Rode Kruis"},
    {'/', ',', "Padvinders"},             {'/', '-', "Huis"},
    {'/', '.', "Kruisje"},                {'/', '/', "Rode stip"},
    {'/', '0', "Cirkel 0"},               {'/', '1', "Cirkel 1"},
    {'/', '2', "Cirkel 2"},               {'/', '3', "Cirkel 3"},
    {'/', '4', "Cirkel 4"},               {'/', '5', "Cirkel 5"},
    {'/', '6', "Cirkel 6"},               {'/', '7', "Cirkel 7"},
    {'/', '8', "Cirkel 8"},               {'/', '9', "Cirkel 9"},
    {'/', ':', "Brand"},                  {'/', ';', "Kampeerterrein"},
    {'/', '<', "Motorfiets"},             {'/', '=', "Locomotief"},
    {'/', '>', "Auto"},                   {'/', '?', "Bestandsserver"},
    {'/', '@', "Orkaanvoorspelling"},     {'/', 'A', "EHBO-post"},
    {'/', 'B', "BBS"},                    {'/', 'C', "Kano"},
    {'/', 'E', "Evenement (oog)"},        {'/', 'F', "Tractor"},
    {'/', 'G', "Locatorvak"},             {'/', 'H', "Hotel"},
    {'/', 'I', "TCP/IP-station"},         {'/', 'K', "School"},
    {'/', 'L', "PC-gebruiker"},           {'/', 'M', "MacAPRS"},
    {'/', 'N', "NTS-station"},            {'/', 'O', "Ballon"},
    {'/', 'P', "Politieauto"},            {'/', 'R', "Camper"},
    {'/', 'S', "Spaceshuttle"},           {'/', 'T', "SSTV"},
    {'/', 'U', "Bus"},                    {'/', 'V', "ATV"},
    {'/', 'W', "Weerdienst"},             {'/', 'X', "Helikopter"},
    {'/', 'Y', "Zeilboot"},               {'/', 'Z', "WinAPRS"},
    {'/', '[', "Persoon"},                {'/', '\\', "Peilstation"},
    {'/', ']', "Postkantoor"},            {'/', '^', "Groot vliegtuig"},
    {'/', '_', "Weerstation"},            {'/', '`', "Schotelantenne"},
    {'/', 'a', "Ambulance"},              {'/', 'b', "Fiets"},
    {'/', 'c', "Commandopost"},           {'/', 'd', "Brandweerkazerne"},
    {'/', 'e', "Paard"},                  {'/', 'f', "Brandweerauto"},
    {'/', 'g', "Zweefvliegtuig"},         {'/', 'h', "Ziekenhuis"},
    {'/', 'i', "Eiland (IOTA)"},          {'/', 'j', "Jeep"},
    {'/', 'k', "Vrachtwagen"},            {'/', 'l', "Laptop"},
    {'/', 'm', "Mic-E-repeater"},         {'/', 'n', "Knooppunt"},
    {'/', 'o', "Crisiscentrum"},          {'/', 'p', "Hond"},
    {'/', 'q', "Locatorvak (hoog)"},      {'/', 'r', "Repeater"},
    {'/', 's', "Motorboot"},              {'/', 't', "Truckstop"},
    {'/', 'u', "Truck met oplegger"},     {'/', 'v', "Bestelbus"},
    {'/', 'w', "Waterstation"},           {'/', 'x', "X-APRS"},
    {'/', 'y', "Yagi-antenne"},

    {'\\', '!', "Noodgeval"},             {'\\', '#', "Digipeater (overlay)"},
    {'\\', '$', "Bank, geldautomaat"},    {'\\', '%', "Energiecentrale"},
    {'\\', '&', "Gateway"},               {'\\', '\'', "Ongevalslocatie"},
    {'\\', '(', "Bewolkt"},               {'\\', ')', "Aardobservatie (MEO)"},
    {'\\', '*', "Sneeuw"},                {'\\', '+', "Kerk"},
    {'\\', ',', "Padvindsters"},          {'\\', '-', "Huis (HF)"},
    {'\\', '.', "Onbekende positie"},     {'\\', '/', "Routepunt"},
    {'\\', '0', "Cirkel (overlay)"},      {'\\', '8', "WiFi-knooppunt"},
    {'\\', '9', "Tankstation"},           {'\\', ':', "Hagel"},
    {'\\', ';', "Park, picknickplaats"},  {'\\', '<', "Waarschuwingsvlag"},
    {'\\', '>', "Auto (overlay)"},        {'\\', '?', "Informatiepunt"},
    {'\\', '@', "Orkaan"},                {'\\', 'A', "Vierkant (overlay)"},
    {'\\', 'B', "Stuifsneeuw"},           {'\\', 'C', "Kustwacht"},
    {'\\', 'D', "Motregen"},              {'\\', 'E', "Rook"},
    {'\\', 'F', "IJzel"},                 {'\\', 'G', "Sneeuwbui"},
    {'\\', 'H', "Nevel"},                 {'\\', 'I', "Regenbui"},
    {'\\', 'J', "Bliksem"},               {'\\', 'K', "Kenwood"},
    {'\\', 'L', "Vuurtoren"},             {'\\', 'M', "MARS"},
    {'\\', 'N', "Navigatieboei"},         {'\\', 'O', "Raket"},
    {'\\', 'P', "Parkeerplaats"},         {'\\', 'Q', "Aardbeving"},
    {'\\', 'R', "Restaurant"},            {'\\', 'S', "Satelliet"},
    {'\\', 'T', "Onweer"},                {'\\', 'U', "Zonnig"},
    {'\\', 'V', "VORTAC-baken"},          {'\\', 'W', "Weerdienst (overlay)"},
    {'\\', 'X', "Apotheek"},              {'\\', 'Y', "Radio's en apparaten"},
    {'\\', '[', "Muurwolk"},              {'\\', '\\', "GPS-ontvanger"},
    {'\\', '^', "Vliegtuig (overlay)"},   {'\\', '_', "Weerstation (overlay)"},
    {'\\', '`', "Regen"},                 {'\\', 'a', "ARES, RACES, Winlink"},
    {'\\', 'b', "Stuifzand"},             {'\\', 'c', "Civiele bescherming"},
    {'\\', 'd', "DX-spot"},               {'\\', 'e', "Natte sneeuw"},
    {'\\', 'f', "Trechterwolk"},          {'\\', 'g', "Stormvlaggen"},
    {'\\', 'h', "Radiowinkel"},           {'\\', 'i', "Bezienswaardigheid"},
    {'\\', 'j', "Werk in uitvoering"},    {'\\', 'k', "Terreinwagen"},
    {'\\', 'l', "Gebied"},                {'\\', 'm', "Waardebord"},
    {'\\', 'n', "Driehoek (overlay)"},    {'\\', 'o', "Kleine cirkel"},
    {'\\', 'p', "Half bewolkt"},          {'\\', 'r', "Toiletten"},
    {'\\', 's', "Schip (overlay)"},       {'\\', 't', "Tornado"},
    {'\\', 'u', "Vrachtwagen (overlay)"}, {'\\', 'v', "Bestelbus (overlay)"},
    {'\\', 'w', "Overstroming"},          {'\\', 'x', "Wrak, obstakel"},
    {'\\', 'y', "Skywarn"},               {'\\', 'z', "Schuilplaats"},
    {'\\', '{', "Mist"},
};
// clang-format on

// The symbol of table and code; nullopt when that code is undefined in that table (or the table
// is neither of the two).
std::optional<AprsSymbol> FindAprsSymbol(char table, char code);

// The symbol with this name, ignoring the case of ASCII letters; nullopt when none has it.
std::optional<AprsSymbol> FindAprsSymbol(std::string_view name);

// What the picker and vindrel show for a symbol: its name with its two characters, "Auto (/>)".
std::string DescribeAprsSymbol(const AprsSymbol& symbol);

}  // namespace vindrel
