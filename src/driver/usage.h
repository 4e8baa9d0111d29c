// The information options: "--help" and "-h" print a short usage text,
// "--version" the program banner; either ends the run before anything else.
#pragma once

namespace driver {

// Ends the process with status 0 when argument 1 is exactly one of the
// information options; returns otherwise, so that any other text (a data
// file named "./--help" too) is left to the start-up.
void HandleInformationOptions(int argc, char** argv);

}  // namespace driver
