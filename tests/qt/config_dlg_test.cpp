// The Qt front end: the controls as the template gives them, the real message boxes with the
// wait cursor set aside, the context menu, and one run against the built-in virtual tracker
// through real widgets and the real timer. What the dialog decides is tested in tests/dialog.

#include "gui/qt/config_dlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <set>
#include <tuple>

#include "emulator/tracker_emulator.h"
#include "gui/qt/config_app.h"
#include "gui/qt/dialog_builder.h"
#include "gui/qt/feedback.h"
#include "gui/qt/icons/icon_resources.h"
#include "serial/in_process_device.h"
#include "settings/settings_block.h"
#include "tests/support/temp_dir.h"

namespace vindrel::testing {
namespace {

// What a modal window showed: title, and for a message box its text, icon and plain-text format;
// for another dialog its size in pixels ("326x96") as its text.
using SeenModal = std::tuple<std::string, std::string, int, bool>;

const SeenModal kNoPortsBox{"vindrel-config",
                            "Er zijn geen serieele poorten beschikbaar op dit systeem",
                            QMessageBox::Warning, true};

std::string SizeText(QSize size) {
  return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

// Dialog units as pixels, as Windows turns them into pixels: the base units are half the average
// width of the 52 letters (rounded up from half) and the font's height; a unit is a quarter of
// the first across and an eighth of the second down, each coordinate rounded to the nearest pixel.
QRect Pixels(const QFont& font, const QRect& units) {
  const QFontMetrics metrics(font);
  const int across =
      (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) /
      2;
  const auto x = [&](int u) { return (u * across + 2) / 4; };
  const auto y = [&](int u) { return (u * metrics.height() + 4) / 8; };
  return {x(units.x()), y(units.y()), x(units.width()), y(units.height())};
}

// While it lives, closes every modal window as soon as it is up (a message box with its OK button,
// a dialog with its default button) and records it: a missed box fails the test, never hangs it.
struct ModalCloser {
  ModalCloser() {
    QObject::connect(&poll, &QTimer::timeout, [this] {
      auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!modal) return;
      auto* box = qobject_cast<QMessageBox*>(modal);
      seen.emplace_back(modal->windowTitle().toStdString(),
                        box ? box->text().toStdString() : SizeText(modal->size()),
                        box ? box->icon() : -1, box && box->textFormat() == Qt::PlainText);
      box ? box->button(QMessageBox::Ok)->click() : modal->accept();
    });
    poll.start(5);
  }
  std::vector<SeenModal> seen;
  QTimer poll;
};

bool WaitCursorShown() {
  return QApplication::overrideCursor() &&
         QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

// A stop box shows as critical, its text never as markup; the nested wait cursor is set aside
// while it is open and comes back whole.
TEST(QtFeedback, ShowsAModalPlainTextBoxAndSetsTheWaitCursorAside) {
  QtFeedback feedback;
  QWidget parent;
  feedback.BeginWaitCursor();
  feedback.BeginWaitCursor();
  bool cursorWhileOpen = true;
  ModalCloser closer;
  QTimer::singleShot(1, [&] { cursorWhileOpen = WaitCursorShown(); });
  feedback.ShowMessage(&parent, "vindrel-config", "<b>1 &lt; 2</b>", MessageIcon::Stop);
  EXPECT_EQ(
      closer.seen,
      (std::vector<SeenModal>{{"vindrel-config", "<b>1 &lt; 2</b>", QMessageBox::Critical, true}}));
  EXPECT_FALSE(cursorWhileOpen);
  feedback.EndWaitCursor();
  EXPECT_TRUE(WaitCursorShown());  // the outer one still holds
  feedback.EndWaitCursor();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // nothing left stacked
}

// Qt's own texts in Dutch, as the program's are: the file dialogs' buttons among them.
TEST(QtTranslations, StandardButtonsSpeakDutch) {
  InstallQtTranslations();
  QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text() + "|" +
                buttons.button(QDialogButtonBox::Save)->text(),
            "Annuleren|Opslaan");
}

class ConfigDlgTest : public ::testing::Test {
 protected:
  ConfigDlgTest() { std::filesystem::create_directories(devices.path + "/sys/class/tty"); }
  ~ConfigDlgTest() override { RegisterInProcessPort({}); }

  void Open() {
    dialog = std::make_unique<CConfigDlg>(ConfigDialogOptions{{devices.path, devices.path + "/sys"},
                                                              devices.path,
                                                              "vindrel-config",
                                                              devices.path + "/backups"});
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  }
  template <typename T = QWidget>
  T* Control(int id) const {
    T* control = dialog->findChild<T*>(ControlName(id), Qt::FindDirectChildrenOnly);
    EXPECT_NE(control, nullptr) << id;
    return control;
  }
  void Click(int id) { QTest::mouseClick(Control(id), Qt::LeftButton); }
  // The pixel size of width x height dialog units in the dialogs' font.
  std::string SizeOf(int width, int height) const {
    return SizeText(Pixels(dialog->font(), {0, 0, width, height}).size());
  }
  void Type(int id, const QString& text) {
    QLineEdit* edit = Control<QLineEdit>(id);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    for (QChar c : text) {  // beyond ASCII, as an input method delivers it
      QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }

  test::TempDir devices;
  ModalCloser closer;
  std::unique_ptr<CConfigDlg> dialog;
};

// A control as the user meets it: class, identifier, the text on it, the name a screen reader
// gives it, its rectangle (a closed drop-down list keeps its style's height: 0 here).
struct Seen {
  std::string kind;
  int id;
  std::string text, name;
  QRect rect;
  bool operator==(const Seen&) const = default;
};
void PrintTo(const Seen& c, std::ostream* out) {
  *out << c.kind << ' ' << c.id << " \"" << c.text << "\" \"" << c.name << "\" " << c.rect.x()
       << ',' << c.rect.y() << ' ' << c.rect.width() << 'x' << c.rect.height();
}

// Each expected control of dialog, its rectangle given in dialog units.
void ExpectControls(const QDialog& dialog, const std::vector<Seen>& expected) {
  for (Seen want : expected) {
    auto* widget = dialog.findChild<QWidget*>(ControlName(want.id), Qt::FindDirectChildrenOnly);
    ASSERT_NE(widget, nullptr) << want.id;
    QRect rect = widget->geometry();
    if (qobject_cast<QComboBox*>(widget)) rect.setHeight(0);
    const auto* button = qobject_cast<QAbstractButton*>(widget);
    want.rect = Pixels(dialog.font(), want.rect);
    EXPECT_EQ((Seen{widget->metaObject()->className(), want.id,
                    button ? button->text().toStdString() : "",
                    widget->accessibleName().toStdString(), rect}),
              want);
  }
}

TEST_F(ConfigDlgTest, ControlsTabOrderSizeAndContextMenuFollowTheTemplate) {
  Open();
  EXPECT_FALSE(dialog->windowFlags() &
               (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(dialog->windowTitle(), "VINDrel Configuratie Programma");
  EXPECT_EQ(SizeText(dialog->minimumSize()) + " " + SizeText(dialog->maximumSize()),
            SizeOf(277, 290) + " " + SizeOf(277, 290));
  ExpectControls(*dialog, {{"QLineEdit", 1000, "", "Roepnaam", {65, 20, 70, 14}},
                           {"QLabel", 1031, "", "Symbool", {170, 23, 20, 20}},
                           {"QCheckBox", 1013, "Verstuur bakentekst", "", {10, 80, 120, 10}},
                           {"QLineEdit", 1020, "", "Verstuur statustekst", {145, 125, 40, 14}},
                           {"QComboBox", 1025, "", "Poort", {206, 110, 60, 0}},
                           {"QPushButton", 2, "Sluit Af", "", {205, 265, 60, 14}}});
  int buddies = 0;  // each field's label leads to it
  for (QLabel* label : dialog->findChildren<QLabel*>()) {
    if (!label->buddy()) continue;
    ++buddies;
    EXPECT_EQ(label->buddy()->accessibleName(), label->text());
  }
  EXPECT_EQ(buddies, 11);
  // Of the rest only the port list, the picture and the field after its check box are named.
  const auto widgets = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  EXPECT_EQ(
      std::ranges::count_if(widgets, [](QWidget* w) { return !w->accessibleName().isEmpty(); }),
      buddies + 3);
  EXPECT_EQ(dialog->focusWidget(), Control(kCallsign));
  EXPECT_TRUE(Control<QPushButton>(kCloseButton)->isDefault());
  const std::vector<int> order = {1000, 1029, 1030, 1001, 1006, 1013, 1014, 1016, 1018,
                                  1019, 1015, 1021, 1024, 1022, 1003, 1004, 1026, 1005,
                                  1025, 1010, 1008, 1009, 2,    1023, 1033, 1017, 1020};
  std::vector<int> tabs;
  for (QWidget* w = Control(1000); tabs.size() < order.size(); w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) tabs.push_back(w->objectName().toInt());
  }
  EXPECT_EQ(tabs, order);

  QStringList entries;
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;  // the test fails on the missing entries
    for (QAction* action : menu->actions()) entries << action->text();
    menu->setActiveAction(menu->actions().last());
    QTest::keyClick(menu, Qt::Key_Return);
  });
  const QPoint inside(5, 5);  // the margin beside "Instellingen": the dialog itself
  QContextMenuEvent event(QContextMenuEvent::Mouse, inside, dialog->mapToGlobal(inside));
  QApplication::sendEvent(dialog.get(), &event);
  EXPECT_EQ(entries,
            (QStringList{"Instellingen openen...", "Instellingen opslaan...", "Symbool kiezen...",
                         "Verbinding onderzoeken...", "&About VINDrel..."}));
  EXPECT_EQ(closer.seen, (std::vector<SeenModal>{
                             kNoPortsBox, {"About VinDrel config", SizeOf(197, 81), -1, false}}));
}

// The picker from its table, opened by a double click on the preview on the fields' symbol; the
// arrows move the pressed-in cell, the pointer names a cell, Enter chooses.
TEST_F(ConfigDlgTest, SymbolPickerFollowsItsTableAndItsChoiceGoesIntoTheFields) {
  Open();
  closer.poll.stop();  // this test answers the picker itself
  Type(kSymbolChar, ">");
  std::vector<std::string> seen;  // focused cell and name line at each step
  QTimer::singleShot(0, [&] {
    auto* picker = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(picker, nullptr);
    auto* name = picker->findChild<QLabel*>(ControlName(kSymbolName));
    const auto see = [&] {
      auto* cell = qobject_cast<QToolButton*>(picker->focusWidget());
      seen.push_back((cell && cell->isChecked() ? cell->objectName() : "?").toStdString() + " " +
                     name->text().toStdString());
    };
    see();
    EXPECT_EQ(SizeText(picker->size()), SizeOf(402, 322));
    ExpectControls(*picker, {{"QToolButton", 2062, "Auto", "Auto", {345, 37, 24, 22}},
                             {"QToolButton", 2098, "Fiets", "Fiets", {57, 103, 24, 22}},
                             {"QPushButton", kOkButton, "OK", "", {290, 303, 50, 14}}});
    QTest::keyClick(picker->focusWidget(), Qt::Key_Down);
    see();
    QEnterEvent enter({}, {}, {});
    QApplication::sendEvent(picker->findChild<QToolButton*>("2098"), &enter);
    see();
    QTest::keyClick(picker->focusWidget(), Qt::Key_Return);
  });
  QTest::mouseDClick(Control(kSymbolPreview), Qt::LeftButton);
  EXPECT_EQ(seen, (std::vector<std::string>{"2062 Auto (/>)", "2078 NTS-station (/N)",
                                            "2078 Fiets (/b)"}));
  EXPECT_EQ(Control<QLineEdit>(kTableChar)->text() + Control<QLineEdit>(kSymbolChar)->text(), "/N");
  EXPECT_EQ(Control<QLabel>(kSymbolPreview)->pixmap().toImage(), LoadIconPixmap(2078).toImage());
}

// The port that answered in an earlier run is chosen at start-up, not the first in the list.
TEST_F(ConfigDlgTest, ThePortKeptFromTheLastRunIsChosenAtStartUp) {
  for (const char* name : {"ttyV0", "ttyV1", "ttyV2"}) {
    std::filesystem::create_symlink("/dev/null", devices.path + "/" + name);
  }
  QSettings(QSettings::IniFormat, QSettings::UserScope, "vindrel", "vindrel-config")
      .setValue("port", "/dev/ttyV1");
  Open();
  EXPECT_EQ(Control<QComboBox>(kPortList)->currentText(), "/dev/ttyV1");
}

TEST_F(ConfigDlgTest, ReadsWritesAsksTheVersionAndSimulatesGpsThroughTheWidgets) {
  const char* const kTooLong = "Please enter no more than 28 characters.";
  TrackerSettings stored;
  stored.callsign = "PA3XYZ-9";
  stored.digipeaterPath = "PA3XYZ-15,PA3XYZ-14,PA3XYZ-13";  // one more than typing allows
  stored.statusText = "Caf\xE9";
  stored.sendStatusText = true;
  TrackerEmulatorOptions options;
  options.startBlock = EncodeSettingsBlock(stored);
  auto device = std::make_shared<InProcessDeviceOf<TrackerEmulator>>(options);
  const TrackerEmulator& tracker = device->peer;
  RegisterInProcessPort({kVirtualTrackerName, kVirtualTrackerDescription, device, false});
  Open();  // no real port: the virtual tracker is chosen
  EXPECT_EQ(Control<QComboBox>(kPortList)->currentText(), kVirtualTrackerName);
  EXPECT_FALSE(Control(kStatusText)->isEnabled());
  Type(kDigipeaterPath, QString::fromStdString(stored.digipeaterPath));
  EXPECT_EQ(Control<QLineEdit>(kDigipeaterPath)->text(), "PA3XYZ-15,PA3XYZ-14,PA3XYZ-1");
  Click(kReadSettings);
  EXPECT_EQ(Control<QLineEdit>(kCallsign)->text(), "PA3XYZ-9");
  // Shown whole and reported: cut to 28 it would be written back as another path.
  EXPECT_EQ(Control<QLineEdit>(kDigipeaterPath)->text().toStdString(), stored.digipeaterPath);
  EXPECT_EQ(Control<QLineEdit>(kStatusText)->text(), QStringLiteral("Caf\u00e9"));
  EXPECT_TRUE(Control<QCheckBox>(kSendStatusText)->isChecked());
  EXPECT_TRUE(Control(kStatusText)->isEnabled());
  const QSettings store(QSettings::IniFormat, QSettings::UserScope, "vindrel", "vindrel-config");
  EXPECT_EQ(store.value("port").toString(), kVirtualTrackerName);         // kept for the next run
  std::filesystem::create_symlink("/dev/null", devices.path + "/ttyV1");  // plugged in meanwhile
  QComboBox* ports = Control<QComboBox>(kPortList);
  ports->showPopup();
  EXPECT_EQ(ports->itemText(0) + "|" + ports->currentText() + "|" +
                ports->itemData(1, Qt::ToolTipRole).toString(),
            QString("/dev/ttyV1|") + kVirtualTrackerName + "|" + kVirtualTrackerDescription);
  ports->hidePopup();

  Type(kDigipeaterPath, "WIDE2-1");
  Type(kSymbolChar, ">");
  EXPECT_EQ(Control<QLabel>(kSymbolPreview)->pixmap().toImage(), LoadIconPixmap(2062).toImage());
  Type(kStatusText, QStringLiteral("Z\u00fcrich \u20ac"));  // no Latin-1 byte for the euro sign
  Click(kWriteSettings);
  TrackerSettings written;
  DecodeSettingsBlock(tracker.Block(), written);
  EXPECT_EQ(written.statusText, "Z\xFCrich ");
  EXPECT_EQ(written.symbolChar, ">");

  Click(kSimulateGps);
  EXPECT_TRUE(QTest::qWaitFor([&] { return tracker.ReceivedNmea().size() == 2; }, 4000));
  Click(kShowVersion);
  Click(kSquelch);
  QTest::keyClick(dialog.get(), Qt::Key_Escape);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(closer.seen,
            (std::vector<SeenModal>{
                kNoPortsBox,
                {"vindrel-config", kTooLong, QMessageBox::Warning, true},  // the path read,
                {"vindrel-config", kTooLong, QMessageBox::Warning, true},  // checked twice
                {"vindrel-config", "VinDrel versie 1.7", QMessageBox::Warning, true},
                {"Instellen squelch niveau", SizeOf(186, 55), -1, false}}));
}

}  // namespace
}  // namespace vindrel::testing
