// The program entry: start-up, the interactive graph until the user quits,
// the normal end.
#include "driver/startup.h"
#include "driver/options.h"
#include "graph/navigation.h"

int main(int argc, char** argv) {
  driver::PrepareProcess();             // standard streams, SIGPIPE
  driver::ReadCommandLine(argc, argv);  // options, positional arguments
  driver::StartUp();
  graph::RunInteractiveLoop();           // until the quit key
  driver::NormalEnd();
}
