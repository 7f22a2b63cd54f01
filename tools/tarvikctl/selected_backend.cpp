#include "selected_backend.h"

namespace tarvik::ctl {

std::vector<std::string> SelectedBackend::ListInterfaces() {
  std::vector<std::string> ids;
  for (std::string& id : inner_.ListInterfaces()) {
    const bool ours = device_.topology.empty() ? id == device_.id
                                               : inner_.TopologyPath(id) == device_.topology;
    if (ours) ids.push_back(std::move(id));
  }
  return ids;
}

}  // namespace tarvik::ctl
