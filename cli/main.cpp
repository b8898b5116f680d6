// hlvpres: writes, reads and lists the vocabulary of hlvpreslayerdata from the command line.
//
// Results go to standard output, errors to standard error with a non-zero exit status.

#include "cli/Commands.h"

#include <cstring>
#include <iostream>

namespace {

void PrintUsage(std::ostream& out) {
  out << "usage: hlvpres COMMAND [ARGUMENTS]\n"
         "       hlvpres COMMAND --help\n\n"
         "Writes, reads and lists the pres models and parameters of hlvpreslayerdata.\n\n"
         "Commands:\n";
  for (const hlvpres::Command& command : hlvpres::Commands()) {
    // Summaries line up after names of up to nine letters; a longer name keeps one space.
    const std::size_t length = std::strlen(command.name);
    out << "  " << command.name << std::string(length < 10 ? 10 - length : 1, ' ') << command.summary << "\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  if (argc < 2) {
    PrintUsage(std::cerr);
    return 2;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(std::cout);
    return 0;
  }
  for (const hlvpres::Command& command : hlvpres::Commands()) {
    if (name != command.name) continue;
    hlvpres::Arguments arguments(argv + 2, argv + argc);
    for (const std::string& argument : arguments) {
      if (argument == "--help" || argument == "-h") {
        std::cout << command.help;
        return 0;
      }
    }
    hlvpres::RegisterVocabulary();
    return command.run(arguments, std::cin, std::cout, std::cerr);
  }
  std::cerr << "hlvpres: unknown command '" << name << "'; see 'hlvpres --help'\n";
  return 2;
}
