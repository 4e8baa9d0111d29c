// The program entry: start-up, then the interactive graph until the user quits.
#include <cstdio>

#include "driver/startup.h"
#include "driver/stop.h"
#include "graph/draw_pass.h"

int main(int argc, char** argv) {
  driver::StartUp(argc, argv);
  graph::DrawPass(true, true);  // the first pass: fit and result file
  std::fprintf(stderr, "kurvex: results written; the interactive graph is not available "
                       "in this version\n");
  driver::StopProgram(3);
}
