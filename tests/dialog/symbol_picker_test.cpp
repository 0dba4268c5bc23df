// The symbol picker's logic through a recording window: where it opens, how the arrows move over
// the gaps of undefined codes and from one table into the other, what the name line says, and
// what each way of ending it chooses.

#include "dialog/symbol_picker.h"

#include <gtest/gtest.h>

#include "dialog/dialog_layout.h"
#include "tests/dialog/recording_view.h"

namespace vindrel::testing {
namespace {

TEST(SymbolPicker, OpensOnTheFieldsSymbolAndTheArrowsMoveOverDefinedCellsOnly) {
  const struct {
    const char *table, *symbol;
    int focus;
  } opens[] = {{"/", ">", 2062}, {"\\x", "k", 2307},  // only the first characters count
               {"/", "D", 2033},                      // undefined: the first symbol, "/!"
               {"S", "-", 2033}, {"", ">", 2033},    {"\\", "", 2033}};
  for (const auto& c : opens) {
    RecordingPickerView view;
    SymbolPicker picker(view, c.table, c.symbol);
    picker.StartUp();
    EXPECT_EQ(view.focus, c.focus) << c.table << " " << c.symbol;
  }
  RecordingPickerView view;
  SymbolPicker picker(view, "/", "$");
  picker.StartUp();
  EXPECT_EQ(view.name, "Telefoon (/$)");
  using enum PickerKey;
  const std::pair<PickerKey, int> moves[] = {
      {Up, 2036},                                                // the top row: nothing above
      {Left, 2035},  {Left, 2033},                               // "/\"" is undefined
      {Left, 2033},                                              // the row's start
      {Right, 2035}, {Right, 2036}, {Down, 2052}, {Down, 2084},  // over "/D" to "/T"
      {Down, 2100},  {Down, 2116},  {Down, 2236},                // into the alternate table
      {Down, 2268},                                              // over "\4" to "\D"
      {Right, 2269}, {Up, 2237},                                 // over "\5" to "\%"
      {Right, 2238},
  };
  for (const auto& [key, focus] : moves) {
    picker.OnKey(key);
    EXPECT_EQ(view.focus, focus) << static_cast<int>(key);
  }
  EXPECT_EQ(view.name, "Gateway (\\&)");
  SymbolPicker rowEnd(view, "/", "?");  // "/@" begins the next row
  rowEnd.StartUp();
  rowEnd.OnKey(Right);
  EXPECT_EQ(view.focus, 2063);
}

TEST(SymbolPicker, NamesTheCellUnderThePointerAndChoosesOnlyDefinedSymbols) {
  RecordingPickerView view;
  SymbolPicker picker(view, "\\", "R");
  picker.StartUp();
  picker.OnPointer(2098);
  EXPECT_EQ(view.name, "Fiets (/b)");
  for (int away : {0, 2068, int{kOkButton}}) {  // off the cells, on a gap, on a button
    picker.OnPointer(2098);
    picker.OnPointer(away);
    EXPECT_EQ(view.name, "Restaurant (\\R)");
  }
  for (int nothing : {2068, 2232, 2127, int{kSymbolName}}) picker.OnCommand(nothing);
  EXPECT_FALSE(view.ended || picker.Chosen());
  picker.OnCommand(kOkButton);  // Enter
  EXPECT_TRUE(view.ended);
  EXPECT_EQ(DescribeAprsSymbol(*picker.Chosen()), "Restaurant (\\R)");
  for (auto [command, chosen] : {std::pair{2098, "Fiets (/b)"}, {kCancelButton, ""}}) {
    SymbolPicker again(view, "/", ">");
    again.OnCommand(command);
    EXPECT_EQ(again.Chosen() ? DescribeAprsSymbol(*again.Chosen()) : "", chosen);
  }
}

}  // namespace
}  // namespace vindrel::testing
