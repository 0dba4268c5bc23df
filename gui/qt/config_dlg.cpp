#include "gui/qt/config_dlg.h"

#include "gui/qt/about_dlg.h"
#include "gui/qt/dialog_builder.h"
#include "gui/qt/icons/icon_resources.h"
#include "gui/qt/shell.h"
#include "gui/qt/squelch_dlg.h"
#include "gui/qt/symbol_picker_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QTimerEvent>

#include <algorithm>
#include <utility>

namespace vindrel {

namespace {

// The record holds bytes; the controls hold one character per byte.
QString FromLine(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
std::string ToLine(const QString& text) { return text.toLatin1().toStdString(); }

// Where the last port that answered is kept: ~/.config/vindrel/vindrel-config.ini.
constexpr QSettings::Format kStoreFormat = QSettings::IniFormat;
constexpr char kStoreFolder[] = "vindrel";
constexpr char kStoreName[] = "vindrel-config";
constexpr char kPortKey[] = "port";

ConfigDialogOptions WithApplicationName(ConfigDialogOptions options) {
  if (options.applicationName.empty()) options.applicationName = ApplicationName().toStdString();
  return options;
}

}  // namespace

CConfigDlg::CConfigDlg() : CConfigDlg(ConfigDialogOptions{}) {}

CConfigDlg::CConfigDlg(ConfigDialogOptions options)
    : logic(*this, WithApplicationName(std::move(options))) {
  BuildDialog(*this, kConfigDialog);
  findChild<QPushButton*>(ControlName(kCloseButton))->setDefault(true);
  setWindowIcon(ApplicationIcon());

  for (const ControlTemplate& control : kConfigDialog.controls) {
    const int id = control.id;
    if (control.kind == ControlKind::PushButton || control.kind == ControlKind::CheckBox) {
      // clicked, not toggled: the ticks that the logic sets are no user action.
      connect(findChild<QAbstractButton*>(ControlName(id)), &QAbstractButton::clicked, this,
              [this, id] { id == kCloseButton ? reject() : logic.OnCommand(id); });
    } else if (control.kind == ControlKind::Edit) {
      // textEdited fires only for the user's own edits, never for SetText.
      connect(Edit(id), &QLineEdit::textEdited, this, [this, id] { logic.OnUserEdit(id); });
    }
  }
  findChild<QLabel*>(ControlName(kSymbolPreview), Qt::FindDirectChildrenOnly)
      ->installEventFilter(this);
  static_cast<DropDownList*>(PortList())->beforePopup = [this] { logic.OnPortListOpening(); };
  logic.StartUp();
}

CConfigDlg::~CConfigDlg() = default;

void CConfigDlg::reject() { logic.OnCommand(kCloseButton); }

void CConfigDlg::timerEvent(QTimerEvent* event) {
  logic.OnTimer(static_cast<unsigned>(event->timerId()));
}

void CConfigDlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  for (auto [text, command] : {std::pair{kOpenSettingsEntryText, kOpenSettingsCommand},
                               {kSaveSettingsEntryText, kSaveSettingsCommand},
                               {kChooseSymbolEntryText, kChooseSymbolCommand},
                               {kExamineConnectionEntryText, kExamineConnectionCommand},
                               {kAboutEntryText, kAboutCommand}}) {
    menu.addAction(QString::fromLatin1(text))->setData(command);
  }
  if (QAction* chosen = menu.exec(event->globalPos())) SystemCommand(chosen->data().toInt());
}

bool CConfigDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick)
    logic.OnDoubleClick(watched->objectName().toInt());
  return false;
}

std::string CConfigDlg::GetText(int id) { return ToLine(Edit(id)->text()); }

void CConfigDlg::SetText(int id, const std::string& text) {
  QLineEdit* edit = Edit(id);
  const QString shown = FromLine(text);
  // QLineEdit cuts its text to the maximum length, where the check should report an overlong
  // value from the tracker instead: the limit only stops typing.
  if (shown.size() > edit->maxLength()) edit->setMaxLength(static_cast<int>(shown.size()));
  edit->setText(shown);
}

void CConfigDlg::SetTextLimit(int id, int limit) { Edit(id)->setMaxLength(limit); }

bool CConfigDlg::GetCheck(int id) { return Check(id)->isChecked(); }

void CConfigDlg::SetCheck(int id, bool checked) { Check(id)->setChecked(checked); }

void CConfigDlg::Enable(int id, bool enabled) {
  findChild<QWidget*>(ControlName(id), Qt::FindDirectChildrenOnly)->setEnabled(enabled);
}

void CConfigDlg::FocusAndSelect(int id) {
  QLineEdit* edit = Edit(id);
  edit->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
}

void CConfigDlg::SetPortList(const std::vector<PortEntry>& entries, int selected) {
  QComboBox* list = PortList();
  const QSignalBlocker quiet(list);
  list->clear();
  for (const PortEntry& entry : entries) {
    list->addItem(QString::fromStdString(entry.text));
    list->setItemData(list->count() - 1, QString::fromStdString(entry.description),
                      Qt::ToolTipRole);
  }
  list->setCurrentIndex(selected);
}

int CConfigDlg::SelectedPortEntry() { return PortList()->currentIndex(); }

std::string CConfigDlg::RememberedPort() {
  const QSettings store(kStoreFormat, QSettings::UserScope, kStoreFolder, kStoreName);
  return store.value(kPortKey).toString().toStdString();
}

void CConfigDlg::RememberPort(const std::string& entry) {
  QSettings store(kStoreFormat, QSettings::UserScope, kStoreFolder, kStoreName);
  store.setValue(kPortKey, QString::fromStdString(entry));
}

void CConfigDlg::ShowMessage(const std::string& caption, const std::string& text,
                             MessageIcon icon) {
  // The system's error texts come in the locale's encoding; the utility's own texts are ASCII.
  feedback.ShowMessage(this, QString::fromStdString(caption), QString::fromLocal8Bit(text), icon);
}

void CConfigDlg::Beep() { feedback.Beep(); }

void CConfigDlg::BeginWaitCursor() { feedback.BeginWaitCursor(); }

void CConfigDlg::EndWaitCursor() { feedback.EndWaitCursor(); }

void CConfigDlg::ShowPicture(int id, int iconId) {
  auto* picture = findChild<QLabel*>(ControlName(id), Qt::FindDirectChildrenOnly);
  const QPixmap icon = LoadIconPixmap(iconId);
  if (icon.isNull()) {
    picture->clear();
  } else {
    picture->setPixmap(icon);
  }
}

unsigned CConfigDlg::StartTimer(unsigned /*timerId*/, unsigned periodMs) {
  // Starting a running timer restarts its period: one timer, never two.
  gpsTicker.start(static_cast<int>(periodMs), this);
  return static_cast<unsigned>(gpsTicker.timerId());
}

void CConfigDlg::StopTimer(unsigned timerId) {
  if (static_cast<int>(timerId) == gpsTicker.timerId()) gpsTicker.stop();
}

std::string CConfigDlg::ChooseSettingsFile(bool save, const std::filesystem::path& startFolder) {
  const QString filter = QStringLiteral("Instellingen (*.json *.bin)");
  const QString folder = QFile::decodeName(startFolder.c_str());
  const QString path = save ? QFileDialog::getSaveFileName(this, QString(), folder, filter)
                            : QFileDialog::getOpenFileName(this, QString(), folder, filter);
  return QFile::encodeName(path).toStdString();
}

void CConfigDlg::RunAboutDialog() {
  CAboutDlg about(this);
  feedback.RunModal(about);
}

void CConfigDlg::RunSquelchDialog() {
  CSquelchDlg squelch(this);
  feedback.RunModal(squelch);
}

std::optional<AprsSymbol> CConfigDlg::RunSymbolPicker(const std::string& tableChar,
                                                      const std::string& symbolChar) {
  CSymbolPickerDlg picker(this, tableChar, symbolChar);
  feedback.RunModal(picker);
  return picker.Chosen();
}

void CConfigDlg::EndDialog() { QDialog::reject(); }

QLineEdit* CConfigDlg::Edit(int id) const {
  return findChild<QLineEdit*>(ControlName(id), Qt::FindDirectChildrenOnly);
}

QCheckBox* CConfigDlg::Check(int id) const {
  return findChild<QCheckBox*>(ControlName(id), Qt::FindDirectChildrenOnly);
}

QComboBox* CConfigDlg::PortList() const {
  return findChild<QComboBox*>(ControlName(kPortList), Qt::FindDirectChildrenOnly);
}

}  // namespace vindrel
