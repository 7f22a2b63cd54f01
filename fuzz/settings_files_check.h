// tarvikctl's two file parsers on arbitrary bytes: the settings document of
// save and apply, and the stand-ins' state file. Whatever either accepts
// must come back unchanged through its own writer and parser.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config_document.h"
#include "fuzz_check.h"
#include "stand_in_state.h"

namespace tarvik::fuzzing {

inline void CheckSettingsFiles(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;

  ctl::ConfigDocument document;
  if (ctl::ParseDocument(text, &document, &error)) {
    const std::string written = ctl::DocumentText(document);
    ctl::ConfigDocument again;
    if (!ctl::ParseDocument(written, &again, &error)) Fail("a written document is refused");
    if (ctl::DocumentText(again) != written) Fail("a document changes through a round trip");
  } else if (error.empty()) {
    Fail("a document refused without a reason");
  }

  error.clear();
  ctl::StandInState state;
  if (ctl::ParseState(text, &state, &error)) {
    ctl::StandInState again;
    if (!ctl::ParseState(ctl::StateText(state), &again, &error)) Fail("a written state is refused");
    if (again != state) Fail("a state changes through a round trip");
  } else if (error.empty()) {
    Fail("a state file refused without a reason");
  }
}

}  // namespace tarvik::fuzzing
