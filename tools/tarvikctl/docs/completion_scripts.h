// tarvikctl's command model as the table the bash, zsh and fish completion
// scripts walk, for the @MODEL@ and @MODEL_FORMAT@ marks of their templates.
#pragma once

#include "command_model.h"
#include "template_text.h"

namespace tarvik::ctl::docs {

enum class Shell { kPosix, kFish };

TemplateValues CompletionParts(const CommandModel& model, Shell shell);

}  // namespace tarvik::ctl::docs
