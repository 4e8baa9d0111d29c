// The command line: options before the positional arguments, and the
// standard streams and signals set up before anything else runs.
#pragma once

namespace driver {

// Descriptors 0, 1 and 2 that are closed are opened on /dev/null, so that
// no file of the program can take their place (the log on descriptor 2
// would receive every message meant for standard error). SIGPIPE and
// SIGXFSZ are ignored: a closed pipe or a file-size limit then fails the
// write, which is reported, instead of killing the run. SIGINT, SIGTERM,
// SIGHUP and a confirmed close of the window remove temporary files first.
void PrepareProcess();

// Reads the options before the positional arguments and keeps the rest
// (argument 0 and up to six positional arguments) for the settings:
//   --help, -h, --version   print the usage text or the banner, status 0;
//   -c KEY=VALUE            a configuration key for this run (repeatable);
//   --batch                 short for -c GraphGRXDriver=memory;
//   --                      ends the options.
// An unknown option or a malformed -c is a usage error: a line and the
// usage text on standard error, status 2, nothing written.
void ReadCommandLine(int argc, char** argv);

}  // namespace driver
