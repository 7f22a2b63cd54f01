// Reading a file named on the command line, whatever it is: a regular file,
// a pipe, a character device or /dev/stdin. The read stops one byte past
// the limit, so nothing larger than the limit is ever held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "ctl_context.h"

namespace tarvik::ctl {

// Paths arrive as UTF-8 on every platform; Windows opens them by their wide
// form, which the narrow file calls would not reach. Empty when Windows
// cannot convert the name.
std::filesystem::path PathFromUtf8(const std::string& path);

// Reads all of `path` into `bytes` when it holds at most `limit` bytes.
// Otherwise explains on the error stream (naming `what` the file is for and
// the limit) and returns kExitNoInput.
int ReadInputFile(Context& context, const std::string& path, std::size_t limit,
                  const std::string& what, std::vector<uint8_t>* bytes);

// Writes `bytes` to `path`, checking every write and the close; kExitOk or
// kExitCannotWrite, explained.
int WriteOutputFile(Context& context, const std::string& path, const uint8_t* bytes,
                    std::size_t size);

}  // namespace tarvik::ctl
