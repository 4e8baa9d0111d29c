// The program entry: start-up, then the interactive graph until the user
// quits, which ends the process.
#include "driver/startup.h"
#include "driver/options.h"
#include "graph/navigation.h"

int main(int argc, char** argv) {
  driver::PrepareProcess();             // standard streams, SIGPIPE
  driver::ReadCommandLine(argc, argv);  // options, positional arguments
  driver::StartUp();
  graph::RunInteractiveLoop();
}
