// The PostgreSQL server a test may use: its libpq URI names a database in which the test may
// make and drop whatever it likes. CTest starts the build tree's private server before the
// first test (scripts/pg-cluster.sh); TOVIK_TEST_DATABASE names another one.
#pragma once

#include <cstdlib>
#include <string>

#include "test_server_config.h"

namespace testing_support {

inline std::string TestServerUri() {
  const char* uri = std::getenv("TOVIK_TEST_DATABASE");
  return uri && *uri ? uri : TOVIK_TEST_SERVER;
}

// The script that starts and stops private servers, for tests that need one of their own (to
// stop it in the middle of a write, say): pg-cluster.sh start|stop DIR.
inline const char* ServerScript() { return TOVIK_SERVER_SCRIPT; }

}  // namespace testing_support
