// TestStore: the store one test runs on, chosen for its lifetime (StoreChoice): the local files,
// or a schema of its own on the test server (testing/test_server.h), made at the start and
// dropped with everything in it at the end, so tests running at once on one server never meet.
// Raw() runs SQL on that schema as another tool would.
#pragma once

#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "runtime/files/store_choice.h"
#include "testing/test_server.h"

namespace rt::testing {

class TestStore {
 public:
  explicit TestStore(bool server) : server_(server) {
    if (!server) {
      StoreChoice::Set("");
      return;
    }
    static std::atomic<int> counter{0};
    schema_ = "t" + std::to_string(getpid()) + "_" + std::to_string(counter++);
    std::string base = testing_support::TestServerUri();
    uri_ = base + (base.find('?') == std::string::npos ? "?" : "&") +
           "options=-csearch_path%3D" + schema_;
    error_ = RawOn(base, "DROP SCHEMA IF EXISTS \"" + schema_ + "\" CASCADE; CREATE SCHEMA \"" +
                             schema_ + "\"");
    StoreChoice::Set(uri_);
  }
  ~TestStore() {
    StoreChoice::Set("");
    if (server_) RawOn(testing_support::TestServerUri(), "DROP SCHEMA IF EXISTS \"" + schema_ +
                                                             "\" CASCADE");
  }
  TestStore(const TestStore&) = delete;
  TestStore& operator=(const TestStore&) = delete;

  bool Server() const { return server_; }
  const std::string& Uri() const { return uri_; }
  // "" when the schema was made; else the server's text.
  const std::string& Error() const { return error_; }
  // Runs SQL in the test's schema: "" or the server's text.
  std::string Raw(const std::string& sql) const { return RawOn(uri_, sql); }

 private:
  static std::string RawOn(const std::string& uri, const std::string& sql) {
    PGconn* c = PQconnectdb(uri.c_str());
    std::string error;
    if (PQstatus(c) != CONNECTION_OK) {
      error = PQerrorMessage(c);
    } else {
      PQsetNoticeProcessor(c, [](void*, const char*) {}, nullptr);
      PGresult* r = PQexec(c, sql.c_str());
      ExecStatusType s = PQresultStatus(r);
      if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) error = PQresultErrorMessage(r);
      PQclear(r);
    }
    PQfinish(c);
    return error;
  }

  bool server_;
  std::string schema_;
  std::string uri_;
  std::string error_;
};

}  // namespace rt::testing
