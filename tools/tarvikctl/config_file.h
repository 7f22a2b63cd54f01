// The settings file on disk: read with a bound on its size and checked,
// written so that it never holds half a document.
#pragma once

#include <cstddef>
#include <string>

#include "config_document.h"
#include "ctl_context.h"

namespace tarvik::ctl {

// Reads `path` when it holds at most `limit` bytes. kExitNoInput when it
// cannot be read; kExitDataErr when it is larger, told by its size before
// any byte is read when it is a regular file. Explained on the error stream.
int ReadBoundedFile(Context& context, const std::string& path, std::size_t limit,
                    std::string* text);

// Reads and checks the settings document in `file`: kExitDataErr, with the
// field at fault named, when it is not one.
int ReadDocument(Context& context, const std::string& file, ConfigDocument* document);

// Writes `text` to a new file beside `path`, then renames it over `path`:
// `path` keeps its old content unless all of `text` was written, and an
// existing `path` its permissions.
// kExitOk or kExitCannotWrite, explained.
int ReplaceFile(Context& context, const std::string& path, const std::string& text);

}  // namespace tarvik::ctl
