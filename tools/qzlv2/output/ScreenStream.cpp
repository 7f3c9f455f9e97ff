#include "tools/qzlv2/output/ScreenStream.h"

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

#include "tools/qzlv2/output/Output.h"

namespace qzlv2 {

void TakeScreenStream(bool verbose) {
    std::fflush(stdout);
    const int screenFd = ::dup(STDOUT_FILENO);
    const int sink = verbose ? ::dup(STDERR_FILENO) : ::open("/dev/null", O_WRONLY);
    FILE* screen = screenFd >= 0 ? ::fdopen(screenFd, "w") : nullptr;
    if (screen == nullptr || sink < 0) {
        return;
    }
    ::dup2(sink, STDOUT_FILENO);
    ::close(sink);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // the plug-in's lines reach stderr as they come
    Output::Results().Adopt(screen);
}

}  // namespace qzlv2
