// Development tool: opens a database connection the way the program does and runs its backup
// procedure once, printing the name of the file the server wrote. Not part of what ships.
#include <cstring>
#include <iostream>
#include <string>

#include "db/connection_string.h"
#include "db/database.h"

namespace {

int Usage() {
  std::cerr << "usage: dw_db_call --server S --database D --user U --password P --to-dir DIR [--driver NAME]\n"
               "Runs \"EXECUTE CreateBakFile :DB, :ToDir\" once and prints the returned file name.\n"
               "A development tool for trying the database layer against a server; not part of the program.\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string server, database, user, password, toDir, driver;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const std::string value = argv[i + 1];
    if (option == "--server") {
      server = value;
    } else if (option == "--database") {
      database = value;
    } else if (option == "--user") {
      user = value;
    } else if (option == "--password") {
      password = value;
    } else if (option == "--to-dir") {
      toDir = value;
    } else if (option == "--driver") {
      driver = value;
    } else {
      return Usage();
    }
  }
  if (argc % 2 == 0 || server.empty() || database.empty() || toDir.empty()) {
    return Usage();
  }
  try {
    db::Connection connection(driver);
    db::Query query(connection, db::CreateBakFileQuery());
    connection.SetConnectionString(db::BuildConnectionString(password, user, database, server));
    connection.Open();
    query.Close();
    query.SetParameter("DB", database);
    query.SetParameter("ToDir", toDir);
    query.Open();
    std::cout << query.FieldText(0) << "\n";
    connection.Close();
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "dw_db_call: " << e.what() << "\n";
    return 1;
  }
}
