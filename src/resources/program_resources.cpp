#include "resources/program_resources.h"

#include <QtGlobal>
#include <mutex>

// Q_INIT_RESOURCE names a function outside any namespace.
static void RegisterResources() { Q_INIT_RESOURCE(resources); }

namespace tarvik {

void InitProgramResources() {
  static std::once_flag once;
  std::call_once(once, RegisterResources);
}

}  // namespace tarvik
