#include "app/program_icon.h"

#include <QPixmap>

#include "resources/program_resources.h"
#include "resources/resource_ids.h"

namespace tarvik {

QIcon LoadProgramIcon() {
  InitProgramResources();
  // The sizes a window shows; the 256-pixel picture is for the desktop's
  // icon theme. The format is named so no content sniffing is needed.
  QIcon icon;
  for (int size : {16, 24, 32, 48})
    icon.addPixmap(QPixmap(QStringLiteral(":/icon/%1/%2").arg(kProgramIconId).arg(size), "PNG"));
  return icon;
}

}  // namespace tarvik
