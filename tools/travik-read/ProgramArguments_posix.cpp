#include "ProgramArguments.h"

namespace travik {

// The bytes as given: file names are taken as they are.
std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace travik
