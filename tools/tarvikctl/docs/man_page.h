// The generated parts of tarvikctl's manual page: its synopsis, options,
// commands and settings, for the @KEY@ marks of the page's template.
#pragma once

#include "command_model.h"
#include "template_text.h"

namespace tarvik::ctl::docs {

TemplateValues ManPageParts(const CommandModel& model);

}  // namespace tarvik::ctl::docs
