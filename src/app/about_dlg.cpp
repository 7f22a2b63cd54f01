#include "app/about_dlg.h"

#include "app/program_icon.h"
#include "controls/ui_font.h"

namespace tarvik {
namespace {

// The box is laid out in dialog units of its 9-point font: a quarter of the
// average character width across, an eighth of the character height down.
constexpr double kUnitX = 1.75;
constexpr double kUnitY = 1.875;

QRect Units(int x, int y, int width, int height) {
  return QRect(static_cast<int>(x * kUnitX), static_cast<int>(y * kUnitY),
               static_cast<int>(width * kUnitX), static_cast<int>(height * kUnitY));
}

constexpr const char* kNotice =
    "Copyright (C) 2026 The Tarvik Configurator authors.\n"
    "All rights reserved.";

}  // namespace

QString FormatVersionLine(const QString& productName, int major, int minor, int build) {
  return QStringLiteral("%1  Version %2.%3%4").arg(productName).arg(major).arg(minor).arg(build);
}

CAboutDlg::CAboutDlg(const PageHost& texts, const QString& productName,
                     const ProgramVersion& version, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      versionText_(this),
      icon_(this),
      notice_(this),
      ok_(this) {
  icon_.setObjectName(QStringLiteral("icon"));
  versionText_.setObjectName(QStringLiteral("versionText"));
  notice_.setObjectName(QStringLiteral("notice"));
  ok_.setObjectName(QStringLiteral("ok"));
  QFont font = MakeUiFont();
  font.setPointSizeF(9.0 * FontScale());
  setFont(font);
  setFixedSize(Units(0, 0, 223, 90).size());

  const QRect iconRect = Units(14, 20, 20, 20);
  icon_.setGeometry(QRect(iconRect.topLeft(), QSize(32, 32)));
  icon_.setPixmap(LoadProgramIcon().pixmap(32, 32));
  // The picture stands for the program it names.
  icon_.setAccessibleName(productName);

  versionText_.setGeometry(Units(42, 17, 130, 8).adjusted(0, -2, 0, 2));
  versionText_.setTextFormat(Qt::PlainText);
  notice_.setGeometry(Units(42, 36, 174, 28));
  notice_.setTextFormat(Qt::PlainText);
  notice_.setAlignment(Qt::AlignLeft | Qt::AlignTop);
  notice_.setText(QString::fromLatin1(kNotice));
  ok_.setGeometry(Units(154, 65, 50, 14));
  ok_.setDefault(true);
  connect(&ok_, &QPushButton::clicked, this, &QDialog::accept);

  setWindowTitle(texts.LoadText(kTextAboutCaption));
  ok_.setText(texts.LoadText(kTextOk));
  versionText_.setText(
      FormatVersionLine(productName, version.majorNumber, version.minorNumber, version.build));
}

}  // namespace tarvik
