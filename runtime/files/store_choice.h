// StoreChoice: where this process keeps its keyed files, chosen once at start: the local SQLite
// files (the default, an empty choice) or a PostgreSQL database named by a libpq connection URI
// (postgresql://desk1@server/bets). A KeyedFile takes the choice of the moment it is made.
#pragma once

#include <string>

namespace rt {

class StoreChoice {
 public:
  // "" for the local files.
  static void Set(std::string uri);
  static const std::string& Uri();
  static bool IsServer() { return !Uri().empty(); }

  // The choice a program is started with: `--database=URI` among its arguments, else the
  // environment variable TOVIK_DATABASE, else the local files. An empty option value keeps the
  // local files even when the variable is set.
  static std::string FromStart(int argc, char** argv);

  // Where the server store is, as a program names it to its user: never the password. All
  // empty for the local files; a part the URI leaves out is empty (libpq's default applies).
  struct Server {
    std::string host;  // a name, an address or a socket folder
    std::string port;
    std::string database;
    std::string user;
  };
  static Server ServerNamed();
};

}  // namespace rt
