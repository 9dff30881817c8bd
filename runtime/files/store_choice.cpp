#include "runtime/files/store_choice.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>

namespace rt {

namespace {

std::string& Choice() {
  static std::string uri;
  return uri;
}

}  // namespace

void StoreChoice::Set(std::string uri) { Choice() = std::move(uri); }

const std::string& StoreChoice::Uri() { return Choice(); }

std::string StoreChoice::FromStart(int argc, char** argv) {
  static constexpr const char kOption[] = "--database=";
  for (int i = 1; i < argc; ++i) {
    if (argv[i] && std::strncmp(argv[i], kOption, sizeof kOption - 1) == 0) {
      return argv[i] + sizeof kOption - 1;
    }
  }
  const char* env = std::getenv("TOVIK_DATABASE");
  return env ? env : "";
}

StoreChoice::Server StoreChoice::ServerNamed() {
  Server server;
  const std::string& uri = Uri();
  if (uri.empty()) return server;
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
  if (!options) {
    PQfreemem(error);
    return server;
  }
  for (PQconninfoOption* o = options; o->keyword; ++o) {
    if (!o->val) continue;
    if (!std::strcmp(o->keyword, "host")) server.host = o->val;
    if (!std::strcmp(o->keyword, "port")) server.port = o->val;
    if (!std::strcmp(o->keyword, "dbname")) server.database = o->val;
    if (!std::strcmp(o->keyword, "user")) server.user = o->val;
  }
  PQconninfoFree(options);
  return server;
}

}  // namespace rt
