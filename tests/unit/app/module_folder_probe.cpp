// Prints ModuleFolder and ResourceFolder, one per line, for the path tests.
#include <cstdio>

#include "settings/ProgramFolders.h"

int main() {
    std::printf("%s\n%s\n", ModuleFolder().c_str(), ResourceFolder().c_str());
    return 0;
}
