// The single-instance lock's file and the directory it lives in on Linux:
// file modes, links and ownership.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "app/configurator_app.h"
#include "system/single_instance_lock.h"
#include "system/single_instance_lock_linux.h"
#include "gui/gui_fixture.h"

namespace tarvik {
namespace {

using testing::RecordingBoxes;
using SingleInstance = testing::InTemporaryDirectory;

TEST_F(SingleInstance, LockFileIsPrivateAndNeverFollowsALink) {
  {
    SingleInstanceLock lock;
    ASSERT_EQ(lock.Acquire(directory), SingleInstanceLock::Result::kAcquired);
    struct stat info {};
    ASSERT_EQ(stat((directory + "/" + kSingleInstanceName).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
  }
  ASSERT_EQ(unlink((directory + "/" + kSingleInstanceName).c_str()), 0);

  const std::string victim = directory + "/victim";
  std::ofstream(victim) << "keep";
  ASSERT_EQ(symlink(victim.c_str(), (directory + "/" + kSingleInstanceName).c_str()), 0);
  SingleInstanceLock lock;
  EXPECT_EQ(lock.Acquire(directory), SingleInstanceLock::Result::kUnavailable);
  std::ifstream in(victim);
  std::string content;
  in >> content;
  EXPECT_EQ(content, "keep");
}

TEST_F(SingleInstance, LockDirectoryMustBeTheUsersOwnAndPrivate) {
  // The runtime directory is used only when nobody else may write to it.
  const std::string runtime = directory + "/runtime";
  const std::string runUser = directory + "/run-user";
  ASSERT_EQ(mkdir(runtime.c_str(), 0777), 0);
  ASSERT_EQ(chmod(runtime.c_str(), 0777), 0);
  ASSERT_EQ(mkdir(runUser.c_str(), 0755), 0);
  LockDirectoryPlaces places{runtime, runUser, directory + "/no-home", directory};
  const std::string own = directory + "/tarvik-configurator-" + std::to_string(geteuid());
  EXPECT_EQ(FindLockDirectory(places), own);  // the private fallback instead
  struct stat info {};
  ASSERT_EQ(lstat(own.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  // A fallback somebody else prepared (here: open to all, or a link) is refused.
  ASSERT_EQ(chmod(own.c_str(), 0777), 0);
  EXPECT_EQ(FindLockDirectory(places), "");
  ASSERT_EQ(rmdir(own.c_str()), 0);
  ASSERT_EQ(symlink(runtime.c_str(), own.c_str()), 0);
  EXPECT_EQ(FindLockDirectory(places), "");

  // The home is tried before the temporary directory; its .cache must be private too.
  const std::string home = directory + "/home";
  ASSERT_EQ(mkdir(home.c_str(), 0700), 0);
  places.homeDirectory = home + "/";
  EXPECT_EQ(FindLockDirectory(places), home + "/.cache/tarvik-configurator");
  ASSERT_EQ(chmod((home + "/.cache").c_str(), 0777), 0);
  EXPECT_EQ(FindLockDirectory(places), "");

  // The session's directory under the run-user root comes before the home.
  const std::string session = runUser + "/" + std::to_string(geteuid());
  ASSERT_EQ(mkdir(session.c_str(), 0700), 0);
  EXPECT_EQ(FindLockDirectory(places), session);
  ASSERT_EQ(chmod(runtime.c_str(), 0770), 0);  // group-writable
  EXPECT_EQ(FindLockDirectory(places), session);
  places.runtimeDirectory = directory + "/runtime-link";  // a link to a private directory
  ASSERT_EQ(symlink(session.c_str(), places.runtimeDirectory.c_str()), 0);
  EXPECT_EQ(FindLockDirectory(places), session);

  places.runtimeDirectory = runtime;
  ASSERT_EQ(chmod(runtime.c_str(), 0700), 0);
  EXPECT_EQ(FindLockDirectory(places), runtime);
}

// The reported case: the temporary directory's name was taken by another
// user. The home is used instead, so copies still keep each other out.
TEST_F(SingleInstance, PlacesOfOtherUsersArePassedOverAndTheLockStillHolds) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give directories to another user";
  constexpr uid_t kNobody = 65534;
  const std::string runtime = directory + "/runtime";
  const std::string taken = directory + "/tarvik-configurator-" + std::to_string(geteuid());
  const std::string home = directory + "/home";
  for (const std::string& made : {runtime, taken, home}) ASSERT_EQ(mkdir(made.c_str(), 0700), 0);
  ASSERT_EQ(chown(runtime.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(chown(taken.c_str(), kNobody, kNobody), 0);
  LockDirectoryPlaces places{runtime, directory + "/no-run-user", home, directory};
  const std::string found = FindLockDirectory(places);
  ASSERT_EQ(found, home + "/.cache/tarvik-configurator");

  SingleInstanceLock first, second;
  ASSERT_EQ(first.Acquire(found), SingleInstanceLock::Result::kAcquired);
  EXPECT_EQ(second.Acquire(FindLockDirectory(places)), SingleInstanceLock::Result::kAlreadyHeld);
  RecordingBoxes boxes;
  CTarvik_ConfiguratorApp app(sim::DefaultSimBackend(),
                              AppEnvironment{0x0409, FindLockDirectory(places), &boxes});
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(app.ExitCode(), 2);
  EXPECT_EQ(boxes.shown.size(), 1u);

  // With no home to fall back on, the lock is known to be unavailable.
  places.homeDirectory = directory + "/no-home";
  EXPECT_EQ(FindLockDirectory(places), "");
  EXPECT_EQ(second.Acquire(FindLockDirectory(places)), SingleInstanceLock::Result::kUnavailable);
}

}  // namespace
}  // namespace tarvik
