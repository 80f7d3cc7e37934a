// Development tool: writes a program folder's Connect\Data.dat with the program's own encoder, bound
// to the computer it runs on (run it under the same Wine as the program). Not part of what ships.
#include <exception>
#include <iostream>
#include <string>

#include "db/credentials_file.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: dw_write_credentials <Data.dat path> <user> <password>\n";
    return 2;
  }
  try {
    db::WriteCredentialsFile(argv[1], db::Get_CompName(), db::Credentials{argv[2], argv[3]});
  } catch (const std::exception& error) {
    std::cerr << error.what() << '\n';
    return 1;
  }
  return 0;
}
