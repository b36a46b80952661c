// The command line's arguments after the program name, as UTF-8 (the form the
// file calls take paths in on every platform).
#pragma once

#include <string>
#include <vector>

namespace travik {

std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace travik
