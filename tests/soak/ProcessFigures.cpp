// Resident memory and descriptor count of the test process, read from /proc.
#include "tests/soak/ProcessFigures.h"

#include <malloc.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

namespace quilbo::test {

ProcessFigures ProcessFigures::now() {
    malloc_trim(0);
    ProcessFigures figures;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            figures.residentKiB = std::stoul(line.substr(6));
        }
    }
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        ++figures.openFiles;
    }
    // The directory iterator's own descriptor was among them.
    if (figures.openFiles > 0) {
        --figures.openFiles;
    }
    return figures;
}

std::ostream& operator<<(std::ostream& out, const ProcessFigures& figures) {
    return out << "VmRSS " << figures.residentKiB << " kB, " << figures.openFiles
               << " open descriptors";
}

}  // namespace quilbo::test
