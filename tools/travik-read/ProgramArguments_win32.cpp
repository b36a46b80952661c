#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include "ProgramArguments.h"
#include "WideText_win32.h"

namespace travik {

// argv is in the ANSI code page, which cannot hold every file name: the
// arguments are taken from the wide command line instead.
std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) args.push_back(NarrowToUtf8(wide[i]));
    LocalFree(wide);
    return args;
}

}  // namespace travik
