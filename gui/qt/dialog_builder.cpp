#include "gui/qt/dialog_builder.h"

#include "gui/qt/icons/icon_resources.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QValidator>

#include <algorithm>

namespace vindrel {

namespace {

// The tracker stores texts as single bytes, Latin-1 on the line: characters that have no such
// byte are refused as they are typed or pasted rather than changed into something else later.
class Latin1Validator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& /*pos*/) const override {
    const bool fits =
        std::all_of(input.cbegin(), input.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
    return fits ? Acceptable : Invalid;
  }
};

int MulDivRounded(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : -((-product + half) / denominator));
}

QWidget* CreateControl(QDialog& dialog, const ControlTemplate& control, QSize baseUnits) {
  const QString text = QString::fromLatin1(control.text);
  QRect rect = MapDialogRect(QRect(control.x, control.y, control.width, control.height), baseUnits);
  QWidget* widget = nullptr;
  switch (control.kind) {
    case ControlKind::GroupBox:
      widget = new QGroupBox(text, &dialog);
      break;
    case ControlKind::Label:
    case ControlKind::CenteredLabel: {
      auto* label = new QLabel(text, &dialog);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignTop |
                          (control.kind == ControlKind::Label ? Qt::AlignLeft : Qt::AlignHCenter));
      widget = label;
      break;
    }
    case ControlKind::Picture: {
      auto* picture = new QLabel(&dialog);
      picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      widget = picture;
      break;
    }
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(text, &dialog);
      edit->setValidator(new Latin1Validator(edit));
      widget = edit;
      break;
    }
    case ControlKind::CheckBox:
      widget = new QCheckBox(text, &dialog);
      break;
    case ControlKind::PushButton:
      widget = new QPushButton(text, &dialog);
      break;
    case ControlKind::SymbolCell: {
      // Flat until pointed at or current; the current cell stays pressed in.
      auto* cell = new QToolButton(&dialog);
      cell->setText(text);
      cell->setToolTip(text);
      cell->setIcon(LoadIconPixmap(control.id));
      cell->setIconSize(QSize(32, 32));
      cell->setAutoRaise(true);
      cell->setCheckable(true);
      cell->setFocusPolicy(Qt::ClickFocus);
      widget = cell;
      break;
    }
    case ControlKind::ComboBox: {
      auto* combo = new DropDownList(&dialog);
      // The template's height is that of the dropped-down list: the closed box keeps the height
      // its style needs, and the list shows as many entries as fit below it.
      const int closedHeight = combo->sizeHint().height();
      const int lineHeight = std::max(1, baseUnits.height());
      combo->setMaxVisibleItems(std::max(1, (rect.height() - closedHeight) / lineHeight));
      rect.setHeight(closedHeight);
      widget = combo;
      break;
    }
  }
  if (control.id != -1) widget->setObjectName(ControlName(control.id));
  widget->setGeometry(rect);
  return widget;
}

}  // namespace

QSize DialogBaseUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return QSize((letters / 26 + 1) / 2, metrics.height());
}

QRect MapDialogRect(const QRect& dialogUnits, QSize baseUnits) {
  const int bx = baseUnits.width();
  const int by = baseUnits.height();
  return QRect(MulDivRounded(dialogUnits.x(), bx, 4), MulDivRounded(dialogUnits.y(), by, 8),
               MulDivRounded(dialogUnits.width(), bx, 4),
               MulDivRounded(dialogUnits.height(), by, 8));
}

void BuildDialog(QDialog& dialog, const DialogTemplate& tmpl) {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  dialog.setFont(font);
  const QSize baseUnits = DialogBaseUnits(dialog.font());

  dialog.setWindowTitle(QString::fromLatin1(tmpl.title));
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                        Qt::MSWindowsFixedSizeDialogHint);
  dialog.setFixedSize(MapDialogRect(QRect(0, 0, tmpl.width, tmpl.height), baseUnits).size());

  QWidget* previous = nullptr;
  for (std::size_t i = 0; i < tmpl.controls.size(); ++i) {
    const ControlTemplate& control = tmpl.controls[i];
    QWidget* widget = CreateControl(dialog, control, baseUnits);
    if (control.kind == ControlKind::GroupBox) widget->lower();
    // A screen reader announces a field by its label, not as "edit".
    const QString name = QString::fromLatin1(AccessibleName(tmpl, i));
    if (!name.isEmpty()) widget->setAccessibleName(name);
    if (auto* label = qobject_cast<QLabel*>(previous); label && control.kind == ControlKind::Edit) {
      label->setBuddy(widget);
    }
    previous = widget;
  }
  previous = nullptr;
  for (int id : tmpl.tabOrder) {
    QWidget* control = dialog.findChild<QWidget*>(ControlName(id), Qt::FindDirectChildrenOnly);
    if (previous) QWidget::setTabOrder(previous, control);
    previous = control;
  }
  dialog.findChild<QWidget*>(ControlName(tmpl.initialFocus), Qt::FindDirectChildrenOnly)
      ->setFocus();
}

void BuildSmallDialog(QDialog& dialog, const DialogTemplate& tmpl) {
  BuildDialog(dialog, tmpl);
  dialog.setWindowIcon(ApplicationIcon());
  for (const ControlTemplate& control : tmpl.controls) {
    if (control.kind == ControlKind::Picture) {
      dialog.findChild<QLabel*>(ControlName(control.id))->setPixmap(LoadIconPixmap(control.id));
    }
  }
  auto* close = dialog.findChild<QPushButton*>(ControlName(kOkButton));
  close->setDefault(true);
  QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
}

}  // namespace vindrel
