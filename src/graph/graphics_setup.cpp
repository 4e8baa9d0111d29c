// Graphics set-up on the program's graphics layer.
#include "graph/graphics_setup.h"

namespace graph {

std::vector<DriverEntry> AvailableDrivers() { return {}; }

}  // namespace graph
