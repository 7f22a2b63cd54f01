#include "json_text.h"

#include "value_text.h"

namespace tarvik::ctl {

std::string JsonText(const nlohmann::json& document) {
  return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
}

std::string ValueText(const nlohmann::json& value) {
  if (value.is_string()) return Printable(value.get_ref<const std::string&>());
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tarvik::ctl
