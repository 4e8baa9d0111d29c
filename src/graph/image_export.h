// Saving the graph as the next numbered PNG image: beside the program file
// when that is its own writable folder, else in the working folder or the
// folder ImageFolder names.
#pragma once
#include <string>

namespace graph {

// The first free name of prefix + "000" .. "999" + ".png"; "" when every
// number is taken, since overwriting would destroy an earlier image.
std::string NextImageName(const std::string& prefix);

// Saves the picture above the legend; a failure is an error stop. When no
// number is free, "no free image number" is shown and nothing is written.
void ExportImage();

}  // namespace graph
