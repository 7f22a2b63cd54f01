// Start-up on Windows: the single-instance mutex, within this process and
// seen from another, and the version resource this test program carries.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "system/program_identity.h"
#include "system/single_instance_lock.h"

namespace tarvik {
namespace {

using Result = SingleInstanceLock::Result;

constexpr const char* kChildMutexVariable = "TARVIK_TEST_MUTEX";
constexpr int kChildExitBase = 20;  // + the child's Result

// A name of this run's own, so that a configurator running here is left alone.
std::string TestMutexName(const char* what) {
  return std::string("TARVIK-TEST-MUTEX-") + what + "-" + std::to_string(GetCurrentProcessId());
}

// Runs DISABLED_ChildTakesTheLock below in a new process of this program and
// returns its exit code, which tells what that process's Acquire gave.
DWORD RunChild(const std::string& name) {
  wchar_t program[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return ~0u;
  std::wstring command = L"\"" + std::wstring(program) +
                         L"\" --gtest_also_run_disabled_tests"
                         L" --gtest_filter=WindowsMutex.DISABLED_ChildTakesTheLock";
  SetEnvironmentVariableA(kChildMutexVariable, name.c_str());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  if (!CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &child))
    return ~0u;
  DWORD code = ~0u;
  if (WaitForSingleObject(child.hProcess, 60000) == WAIT_OBJECT_0)
    GetExitCodeProcess(child.hProcess, &code);
  else
    TerminateProcess(child.hProcess, code);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return code;
}

// The child's part: it ends at once, still holding what it took, as a
// crashed copy would.
TEST(WindowsMutex, DISABLED_ChildTakesTheLock) {
  const char* name = std::getenv(kChildMutexVariable);
  SingleInstanceLock lock;
  const Result result = lock.Acquire(name != nullptr ? name : "");
  std::_Exit(kChildExitBase + static_cast<int>(result));
}

TEST(WindowsMutex, OneHolderPerNameUntilReleased) {
  const std::string name = TestMutexName("in-process");
  SingleInstanceLock first, second;
  ASSERT_EQ(first.Acquire(name), Result::kAcquired);
  EXPECT_TRUE(first.Held());
  EXPECT_EQ(second.Acquire(name), Result::kAlreadyHeld);
  EXPECT_FALSE(second.Held());
  // Neither the refused attempt nor the released holder keeps the name alive.
  first.Release();
  EXPECT_FALSE(first.Held());
  EXPECT_EQ(second.Acquire(name), Result::kAcquired);
  EXPECT_EQ(first.Acquire(name), Result::kAlreadyHeld);
}

TEST(WindowsMutex, AnotherProcessSeesTheLockAndACrashedHolderFreesIt) {
  const std::string name = TestMutexName("processes");
  SingleInstanceLock lock;
  ASSERT_EQ(lock.Acquire(name), Result::kAcquired);
  EXPECT_EQ(RunChild(name), kChildExitBase + static_cast<DWORD>(Result::kAlreadyHeld));
  lock.Release();
  EXPECT_EQ(RunChild(name), kChildExitBase + static_cast<DWORD>(Result::kAcquired));
  EXPECT_EQ(lock.Acquire(name), Result::kAcquired);
}

TEST(WindowsMutex, NamesThatCannotBeMadeLeaveTheProgramUnlocked) {
  SingleInstanceLock lock;
  EXPECT_EQ(lock.Acquire(""), Result::kUnavailable);
  EXPECT_EQ(lock.Acquire("No-Such-Namespace\\" + TestMutexName("bad")), Result::kUnavailable);
  EXPECT_EQ(lock.Acquire("\xFF\xFE"), Result::kUnavailable);  // not UTF-8
  EXPECT_FALSE(lock.Held());
}

TEST(WindowsProgramIdentity, ComesFromThisProgramsVersionResource) {
  const ProgramIdentity identity = ReadProgramIdentity();
  EXPECT_EQ(identity.productName, "Tarvik Configurator");
  EXPECT_EQ(identity.versionMajor, 1);
  EXPECT_EQ(identity.versionMinor, 1);
  EXPECT_EQ(identity.versionBuild, 0);
}

}  // namespace
}  // namespace tarvik
