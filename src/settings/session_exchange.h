// One device exchange of the user interface: under the session lock, fill
// the session's record (selector 0 unless the filler says otherwise), run the
// operation and, on success, read its results from the same record. The
// result is the operation's link code: LINK_OK, LINK_ERR_DEVICE_STATUS when
// the device answered with an error status, another code when it did not
// answer.
#pragma once

#include <mutex>

#include "commands/command_id.h"
#include "link/link_errors.h"
#include "session/hid_dev_comm_app.h"

namespace tarvik {

template <typename Fill, typename Read>
int RunExchange(CHidDevCommApp& session, CommandId id, Fill&& fill, Read&& read) {
  std::lock_guard<std::recursive_mutex> guard(session.lock);
  session.params.selector = 0;
  fill(session.params);
  if (const int code = session.Execute(ToInt(id))) return code;
  read(session.params);
  return LINK_OK;
}

}  // namespace tarvik
