// How a fuzz check reports a broken invariant: a line naming it, then an
// abort, which the fuzzer records as a crash with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace tarvik::fuzzing {

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace tarvik::fuzzing
