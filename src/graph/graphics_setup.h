// Graphics set-up: driver, mode, colours, styles and mouse of the graph.
#pragma once
#include <vector>

#include "graph/mode_report.h"

namespace graph {

// The drivers the graphics layer offers, each with its list of modes.
std::vector<DriverEntry> AvailableDrivers();

}  // namespace graph
