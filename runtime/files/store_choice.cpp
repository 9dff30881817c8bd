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

std::string StoreChoice::ServerDescription() {
  const std::string& uri = Uri();
  if (uri.empty()) return "";
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
  if (!options) {
    PQfreemem(error);
    return "PostgreSQL";
  }
  std::string host, port, db, user;
  for (PQconninfoOption* o = options; o->keyword; ++o) {
    if (!o->val) continue;
    if (!std::strcmp(o->keyword, "host")) host = o->val;
    if (!std::strcmp(o->keyword, "port")) port = o->val;
    if (!std::strcmp(o->keyword, "dbname")) db = o->val;
    if (!std::strcmp(o->keyword, "user")) user = o->val;
  }
  PQconninfoFree(options);
  std::string text = "PostgreSQL: база " + (db.empty() ? std::string("по умолчанию") : db);
  text += " на " + (host.empty() ? std::string("localhost") : host);
  if (!port.empty()) text += ":" + port;
  if (!user.empty()) text += ", пользователь " + user;
  return text;
}

}  // namespace rt
