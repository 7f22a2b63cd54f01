// What the main window needs from the program around it: besides what its
// pages need, the product name and version, the end of the program, and
// where device notifications go.
#pragma once

#include <QString>

#include "pages/page_host.h"

namespace tarvik {

class CTarvik_ConfiguratorDlg;

struct ProgramVersion {
  int majorNumber = 0;
  int minorNumber = 0;
  int build = 0;
};

class WindowHost : public PageHost {
 public:
  // The name from the version resource; the caption and every box's title.
  virtual QString ProductName() const = 0;
  virtual ProgramVersion Version() const = 0;
  // Ends the main window's run; the program then ends with `code`.
  virtual void RequestQuit(int code) = 0;
  // The window that device notifications are queued for while it exists.
  virtual void SetMainWindow(CTarvik_ConfiguratorDlg* window) = 0;

 protected:
  ~WindowHost() = default;
};

}  // namespace tarvik
