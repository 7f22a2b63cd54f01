#include "system/program_identity.h"

#include <string_view>

#include "resources/version_info.h"

namespace tarvik {

// Each UTF-16 code unit takes at least one byte in UTF-8.
static_assert(std::string_view(kVersionResource.productName).size() <= kProductNameMaxUnits);

ProgramIdentity ReadProgramIdentity() {
  return {kVersionResource.productName, kVersionResource.major & 0xFFFF,
          kVersionResource.minor & 0xFFFF, kVersionResource.build & 0xFFFF};
}

}  // namespace tarvik
