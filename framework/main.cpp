#include <iostream>
#include <memory>
#include <string>

#include "framework/CommandLine.h"
#include "framework/Console.h"
#include "framework/Framework.h"

int main(int argc, char** argv) {
  CommandLine commandLine;
  std::string error;
  if (!ParseCommandLine(argc, argv, commandLine, error)) {
    std::cerr << "kelvra: " << error << "\n" << UsageText();
    return 2;
  }
  if (commandLine.showHelp) {
    std::cout << UsageText();
    return 0;
  }

  PrintBanner(std::cout, ConsoleColoursEnabled());
  {
    auto framework = std::make_unique<Framework>();
    const bool ready = framework->Initialize("combined_styles_GEN.in", commandLine.historyFile,
                                             commandLine.flags, "combined_train17_GEN.in");
    if (!commandLine.logDirectory.empty()) framework->WriteLogs(commandLine.logDirectory);
    framework->SetRealTimePacing(commandLine.realTimePacing);
    if (ready) {
      framework->Run(static_cast<int>(commandLine.windowArguments.size()),
                     commandLine.windowArguments.data());
      framework->RunValidator();
    }
    std::cout << "\nPress [ENTER] to exit...";
    std::cin.get();
    std::cin.get();
  }
  return 0;
}
