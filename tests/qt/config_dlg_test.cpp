// The Qt front end of the configuration dialog: the controls as the template gives them, and one
// run against the virtual tracker through real widgets, real boxes and the real timer.

#include "gui/qt/config_dlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <filesystem>
#include <set>

#include "gui/qt/dialog_builder.h"
#include "gui/qt/icons/icon_resources.h"
#include "tests/protocol/tracker_fixture.h"
#include "tests/qt/modal_closer.h"
#include "tools/virtual_tracker/virtual_tracker.h"

namespace vindrel::testing {
namespace {

class ConfigDlgTest : public ::testing::Test {
 protected:
  ConfigDlgTest() { std::filesystem::create_directories(devices.path + "/sys/class/tty"); }

  void Open() {
    dialog = std::make_unique<CConfigDlg>(
        ConfigDialogOptions{{devices.path, devices.path + "/sys"}, devices.path, "vindrel-config"});
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  }
  template <typename T>
  T* Control(int id) const {
    T* control = dialog->findChild<T*>(ControlName(id), Qt::FindDirectChildrenOnly);
    EXPECT_NE(control, nullptr) << id;
    return control;
  }
  void Click(int id) { QTest::mouseClick(Control<QWidget>(id), Qt::LeftButton); }
  void Type(int id, const QString& text) {
    QLineEdit* edit = Control<QLineEdit>(id);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    for (QChar c : text) {  // beyond ASCII, as an input method delivers it
      QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }

  TempDeviceDirectory devices;
  ModalCloser closer;
  std::unique_ptr<CConfigDlg> dialog;
};

// The widget class of each ControlKind, in the enumeration's order.
const char* const kClassOf[] = {"QGroupBox", "QLabel",      "QLabel",    "QLineEdit",
                                "QCheckBox", "QPushButton", "QComboBox", "QLabel"};

TEST_F(ConfigDlgTest, ControlsTabOrderAndSizeFollowTheTemplateInDialogUnits) {
  Open();
  const QSize units = DialogBaseUnits(dialog->font());
  EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
  EXPECT_EQ(dialog->size(), MapDialogRect(QRect(0, 0, 277, 290), units).size());
  EXPECT_EQ(dialog->windowTitle(), "VINDrel Configuratie Programma");
  EXPECT_FALSE(dialog->windowFlags() &
               (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  // Every control as the template has it: class, identifier, text and rectangle. A closed
  // drop-down list keeps its style's height; the template's is that of the opened list.
  const auto row = [](const char* kind, const QString& name, const QString& text, QRect r) {
    return std::string(kind) + " " + name.toStdString() + " '" + text.toStdString() + "' " +
           std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) +
           "x" + std::to_string(std::string(kind) == "QComboBox" ? 0 : r.height());
  };
  std::multiset<std::string> expected, built;
  for (const ControlTemplate& c : kConfigDialog.controls) {
    expected.insert(row(kClassOf[static_cast<int>(c.kind)], c.id == -1 ? "" : ControlName(c.id),
                        QString::fromLatin1(c.text),
                        MapDialogRect(QRect(c.x, c.y, c.width, c.height), units)));
  }
  for (QWidget* widget : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    QString text = widget->property(qobject_cast<QGroupBox*>(widget) ? "title" : "text").toString();
    if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget)) text.clear();
    built.insert(
        row(widget->metaObject()->className(), widget->objectName(), text, widget->geometry()));
  }
  EXPECT_EQ(built, expected);
  // A screen reader names each field by its label; 1020 by the check box beside it.
  int buddies = 0;
  for (QLabel* label : dialog->findChildren<QLabel*>()) {
    if (!label->buddy()) continue;
    ++buddies;
    EXPECT_EQ(label->buddy()->accessibleName(), label->text());
  }
  EXPECT_EQ(buddies, 11);
  for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
    EXPECT_FALSE(edit->accessibleName().isEmpty()) << edit->objectName().toStdString();
  }
  for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
    EXPECT_TRUE(button->accessibleName().isEmpty());  // buttons are named by their own text
  }
  EXPECT_EQ(Control<QWidget>(kStatusInterval)->accessibleName(), "Verstuur statustekst");
  EXPECT_EQ(Control<QWidget>(kSymbolPreview)->accessibleName(), "Symbool");
  EXPECT_EQ(dialog->focusWidget(), Control<QWidget>(kCallsign));
  EXPECT_TRUE(Control<QPushButton>(kCloseButton)->isDefault());
  std::vector<int> tabs;
  for (QWidget* w = Control<QWidget>(kConfigDialog.tabOrder.front());
       tabs.size() < kConfigDialog.tabOrder.size(); w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) tabs.push_back(w->objectName().toInt());
  }
  EXPECT_EQ(tabs, std::vector<int>(kConfigDialog.tabOrder.begin(), kConfigDialog.tabOrder.end()));
  EXPECT_EQ(closer.seen,
            (std::vector<SeenModal>{{"vindrel-config",
                                     "Er zijn geen serieele poorten beschikbaar op dit systeem",
                                     QMessageBox::Warning, true}}));
}

TEST_F(ConfigDlgTest, ContextMenuOffersTheAboutBox) {
  Open();
  QStringList entries;
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;  // the test fails on the missing entry
    for (QAction* action : menu->actions()) entries << action->text();
    menu->setActiveAction(menu->actions().last());
    QTest::keyClick(menu, Qt::Key_Return);
  });
  const QPoint inside(5, 5);  // the margin beside "Instellingen": the dialog itself
  QContextMenuEvent event(QContextMenuEvent::Mouse, inside, dialog->mapToGlobal(inside));
  QApplication::sendEvent(dialog.get(), &event);
  EXPECT_EQ(entries, (QStringList{"Instellingen openen...", "Instellingen opslaan...",
                                  "&About VINDrel..."}));
  ASSERT_EQ(closer.seen.size(), 2u);
  EXPECT_EQ(closer.seen[1].title, "About VinDrel config");
}

TEST_F(ConfigDlgTest, ReadsWritesAsksTheVersionAndSimulatesGpsThroughTheWidgets) {
  VirtualTrackerOptions options;
  options.linkPath = devices.path + "/ttyV0";
  TrackerSettings stored;
  stored.callsign = "PA3XYZ-9";
  stored.statusText = "Caf\xE9";
  stored.sendStatusText = true;
  options.startBlock = EncodeSettingsBlock(stored);
  VirtualTracker tracker(options);
  tracker.Start();
  Open();
  EXPECT_EQ(Control<QComboBox>(kPortList)->currentText(), "/dev/ttyV0");
  EXPECT_FALSE(Control<QWidget>(kStatusText)->isEnabled());
  Click(kReadSettings);
  EXPECT_EQ(Control<QLineEdit>(kCallsign)->text(), "PA3XYZ-9");
  EXPECT_EQ(Control<QLineEdit>(kStatusText)->text(), QStringLiteral("Caf\u00e9"));
  EXPECT_TRUE(Control<QCheckBox>(kSendStatusText)->isChecked());
  EXPECT_TRUE(Control<QWidget>(kStatusText)->isEnabled());
  const QSettings store(QSettings::IniFormat, QSettings::UserScope, "vindrel", "vindrel-config");
  EXPECT_EQ(store.value("port").toString(), "/dev/ttyV0");  // it answered: kept for the next run
  std::filesystem::create_symlink("/dev/null", devices.path + "/ttyV1");  // plugged in meanwhile
  Control<QComboBox>(kPortList)->showPopup();
  EXPECT_EQ(Control<QComboBox>(kPortList)->count(), 2);
  Control<QComboBox>(kPortList)->hidePopup();

  Type(kSymbolChar, ">");
  EXPECT_EQ(Control<QLabel>(kSymbolPreview)->pixmap().toImage(), LoadIconPixmap(2062).toImage());
  Type(kStatusText, QStringLiteral("Z\u00fcrich \u20ac"));  // no Latin-1 byte for the euro sign
  Click(kWriteSettings);
  ASSERT_TRUE(tracker.WaitForEvent("block-written", std::chrono::seconds(2)));
  TrackerSettings written;
  DecodeSettingsBlock(tracker.Block(), written);
  EXPECT_EQ(written.statusText, "Z\xFCrich ");
  EXPECT_EQ(written.symbolChar, ">");

  Click(kSimulateGps);
  EXPECT_TRUE(QTest::qWaitFor([&] { return tracker.ReceivedNmea().size() == 2; }, 4000));
  Click(kShowVersion);
  ASSERT_FALSE(closer.seen.empty());
  EXPECT_EQ(closer.seen.back(),
            (SeenModal{"vindrel-config", "VinDrel versie 1.7", QMessageBox::Warning, true}));
  QTest::keyClick(dialog.get(), Qt::Key_Escape);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(closer.seen.size(), 1u);  // no other box
}

}  // namespace
}  // namespace vindrel::testing
