// The About box: the program icon, the product name with its version, and
// the legal notice.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace tarvik {

class CTarvik_ConfiguratorApp;

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  CAboutDlg(const CTarvik_ConfiguratorApp& app, QWidget* parent);

  QLabel m_versionText;

 private:
  QLabel icon_;
  QLabel notice_;
  QPushButton ok_;
};

// "<product name>  Version <major>.<minor><build>": the build number follows
// the minor number with no separator.
QString FormatVersionLine(const QString& productName, int major, int minor, int build);

}  // namespace tarvik
