#include <iostream>
#include <memory>

#include "framework/Console.h"
#include "framework/Framework.h"

int main(int argc, char** argv) {
  PrintBanner(std::cout, ConsoleColoursEnabled());
  {
    auto framework = std::make_unique<Framework>();
    if (framework->Initialize("combined_styles_GEN.in", "", Framework::kRequestRealTimeExternalForce,
                              "combined_train17_GEN.in")) {
      framework->Run(argc, argv);
      framework->RunValidator();
    }
    std::cout << "\nPress [ENTER] to exit...";
    std::cin.get();
    std::cin.get();
  }
  return 0;
}
