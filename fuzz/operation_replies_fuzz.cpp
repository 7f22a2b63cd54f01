// Every operation's reply handling, through the real session, link and
// operation table, against a device that answers with the fuzzer's reports.
// The input format is described in scripted_device.h.
#include <cstddef>
#include <cstdint>

#include "fuzz_images.h"
#include "scripted_device.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One session for the whole run: opening a link starts a thread.
  static tarvik::fuzzing::OperationHarness harness(tarvik::fuzzing::PackageImages(),
                                                   tarvik::fuzzing::SectionImages());
  harness.Run(data, size);
  return 0;
}
