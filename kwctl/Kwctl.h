// kwctl: reads, compares, prepares and sends settings files from the command line.
#pragma once

#include <string>
#include <vector>

#include "kwctl/Environment.h"

namespace kwctl {

// Runs one command line (the arguments after the program name, UTF-8) and returns its exit
// status. Results that could not be written make it a failure: 2, or 1 once a job was sent.
int Run(const std::vector<std::string>& args, Environment& env);

}  // namespace kwctl
