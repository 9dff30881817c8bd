#include "runtime/files/store_choice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace rt {
namespace {

TEST(StoreChoiceTest, TheOptionComesBeforeTheEnvironmentAndNeitherMeansTheLocalFiles) {
  struct Case {
    std::vector<const char*> args;
    const char* env;  // nullptr: not set
    const char* want;
  } cases[] = {
      {{"tovik"}, nullptr, ""},
      {{"tovik"}, "postgresql://desk@server/bets", "postgresql://desk@server/bets"},
      {{"tovik", "--database=postgresql:///a"}, "postgresql:///b", "postgresql:///a"},
      {{"tovik", "-style", "fusion", "--database=postgresql:///a"}, nullptr, "postgresql:///a"},
      {{"tovik", "--database="}, "postgresql:///b", ""},  // asked for the local file
      {{"tovik", "--database"}, "postgresql:///b", "postgresql:///b"},  // no value: not the option
  };
  for (const Case& c : cases) {
    if (c.env) setenv("TOVIK_DATABASE", c.env, 1);
    else unsetenv("TOVIK_DATABASE");
    std::vector<char*> argv;
    for (const char* a : c.args) argv.push_back(const_cast<char*>(a));
    EXPECT_EQ(StoreChoice::FromStart(static_cast<int>(argv.size()), argv.data()), c.want)
        << c.args.back();
  }
  unsetenv("TOVIK_DATABASE");
}

}  // namespace
}  // namespace rt
