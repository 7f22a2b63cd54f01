// One device exchange of the user interface: under the session lock, fill
// the session's record (selector 0 unless the filler says otherwise), run the
// operation and, on success, read its results from the same record.
#pragma once

#include <mutex>

#include "commands/command_id.h"
#include "session/hid_dev_comm_app.h"
#include "link/link_errors.h"

namespace tarvik {

template <typename Fill, typename Read>
bool RunExchange(CHidDevCommApp& session, CommandId id, Fill&& fill, Read&& read) {
  std::lock_guard<std::recursive_mutex> guard(session.lock);
  session.params.selector = 0;
  fill(session.params);
  if (session.Execute(ToInt(id)) != LINK_OK) return false;
  read(session.params);
  return true;
}

}  // namespace tarvik
