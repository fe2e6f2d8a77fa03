// Prints the version GetVersionExA reports to this process. The report
// depends on the manifest of the process's EXE, and this one carries the
// program's own (ravelo_program_file ... MANIFEST).
#include <windows.h>

#include <cstdio>

int main() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return 1;
    std::printf("%lu.%lu\n", info.dwMajorVersion, info.dwMinorVersion);
    return 0;
}
