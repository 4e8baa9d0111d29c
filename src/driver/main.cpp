// The program entry: start-up, then the interactive graph until the user
// quits, which ends the process.
#include "driver/startup.h"
#include "driver/usage.h"
#include "graph/navigation.h"

int main(int argc, char** argv) {
  driver::HandleInformationOptions(argc, argv);  // --help, -h, --version
  driver::StartUp(argc, argv);
  graph::RunInteractiveLoop();
}
