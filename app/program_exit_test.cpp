// The whole program, run as its own process over data files it cannot use: it must say why,
// end with the fatal exit code, and end cleanly (under the sanitizer build, without a report).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/unattended_test_support.h"
#include "runtime/files/temp_folder.h"

namespace app {
namespace {

TEST(ProgramExitTest, AnUnusableDataFileIsReportedAndTheProgramEndsCleanlyWithCode3) {
  struct Case {
    const char* name;
    std::function<void(const std::string& kf)> make;
    const char* said;  // what the message says about it
  };
  const std::vector<Case> cases = {
      {"a folder", [](const std::string& kf) { mkdir(kf.c_str(), 0700); },
       "это не файл, а папка"},
      {"a pipe", [](const std::string& kf) { mkfifo(kf.c_str(), 0600); },
       "это не файл, а канал"},
      {"a loop of links", [](const std::string& kf) { (void)!symlink(kf.c_str(), kf.c_str()); },
       "это не файл, а петля символических ссылок"},
      {"random bytes",
       [](const std::string& kf) {
         std::mt19937 rng(11);
         std::string junk(4096, '\0');
         for (char& c : junk) c = static_cast<char>(rng());
         std::ofstream(kf, std::ios::binary) << junk;
       },
       "файл не является базой данных"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rt::TempFolder dir;
    c.make(dir.File("kf"));
    ProgramRun r = RunProgramIn(dir.path(), 60);
    EXPECT_EQ(r.exit_code, 3) << r.out << r.err;
    EXPECT_NE(r.out.find("Ошибка доступа к файлу"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(c.said), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
  }
}

TEST(ProgramExitTest, AZeroByteDataFileIsSetUpAndTheProgramRuns) {
  rt::TempFolder dir;
  std::ofstream(dir.File("kf")).close();
  ProgramRun r = RunProgramIn(dir.path(), 60);
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "");
  struct stat st {};
  ASSERT_EQ(stat(dir.File("kf").c_str(), &st), 0);
  EXPECT_GT(st.st_size, 0);
}

}  // namespace
}  // namespace app
