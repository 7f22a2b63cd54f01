// The About box: the program icon, the product name with its version, and
// the legal notice.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "app/window_host.h"

namespace tarvik {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  // `texts` gives the caption and the button's text in the user interface
  // language.
  CAboutDlg(const PageHost& texts, const QString& productName, const ProgramVersion& version,
            QWidget* parent);

  const QLabel& VersionText() const { return versionText_; }

 private:
  QLabel versionText_;
  QLabel icon_;
  QLabel notice_;
  QPushButton ok_;
};

// "<product name>  Version <major>.<minor><build>": the build number follows
// the minor number with no separator.
QString FormatVersionLine(const QString& productName, int major, int minor, int build);

}  // namespace tarvik
