// hlvpres: writes, reads and lists the vocabulary of hlvpreslayerdata from the command line.
//
// Results go to standard output, errors to standard error with a non-zero exit status.

#include "cli/Commands.h"

#include "host/Exceptions.h"
#include "services/Vocabulary.h"

#include <cstring>
#include <exception>
#include <iostream>
#include <string>

namespace {

void PrintUsage(std::ostream& out) {
  out << "usage: hlvpres COMMAND [ARGUMENTS]\n"
         "       hlvpres COMMAND --help\n"
         "       hlvpres --version\n\n"
         "Writes, reads and lists the pres models and parameters of hlvpreslayerdata.\n\n"
         "Commands:\n";
  for (const hlvpres::Command& command : hlvpres::Commands()) {
    // Summaries line up after names of up to nine letters; a longer name keeps one space.
    const std::size_t length = std::strlen(command.name);
    out << "  " << command.name << std::string(length < 10 ? 10 - length : 1, ' ') << command.summary << "\n";
  }
}

// A message as one line of standard error: a line break inside it would read as two failures.
std::string OneLine(std::string message) {
  for (char& c : message)
    if (c == '\n' || c == '\r') c = ' ';
  return message;
}

int Dispatch(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(std::cerr);
    return 2;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(std::cout);
    return 0;
  }
  if (name == "--version") {
    std::cout << "hlvpres " HLVPRES_VERSION "\n";
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
    Services::RegisterVocabulary();
    return command.run(arguments, std::cin, std::cout, std::cerr);
  }
  std::cerr << "hlvpres: unknown command '" << name << "'; see 'hlvpres --help'\n";
  return 2;
}

}  // namespace

// A failure no command reported itself ends the process with one line and status 1, never with
// an abort: whatever a command lets through is a fault worth a plain report.
int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  try {
    return Dispatch(argc, argv);
  } catch (const LogicException& e) {  // a programming error: where it was found helps its fix
    std::cout.flush();
    std::string file = e.GetFile();
    file.erase(0, file.find_last_of('/') + 1);
    std::cerr << "hlvpres: " << OneLine(e.what()) << " (" << file << ':' << e.GetLine() << ")\n";
  } catch (const std::exception& e) {  // HalvaneException included: its what() is the message
    std::cout.flush();
    std::cerr << "hlvpres: " << OneLine(e.what()) << '\n';
  } catch (...) {  // not one of ours, and it carries no text to report
    std::cout.flush();
    std::cerr << "hlvpres: the command failed with an exception of an unknown type\n";
  }
  return 1;
}
