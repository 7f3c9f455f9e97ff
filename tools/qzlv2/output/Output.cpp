#include "tools/qzlv2/output/Output.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace qzlv2 {

Output& Output::Results() {
    static Output output;
    return output;
}

void Output::GuardClosedStdout() {
    if (::fcntl(STDOUT_FILENO, F_GETFD) >= 0) {
        return;
    }
    const int placeholder = ::open("/dev/null", O_WRONLY);
    if (placeholder >= 0 && placeholder != STDOUT_FILENO) {
        ::dup2(placeholder, STDOUT_FILENO);
        ::close(placeholder);
    }
    error_ = EBADF;
}

void Output::Adopt(FILE* stream) {
    stream_ = stream;
    adopted_ = true;
}

void Output::Check(bool ok) {
    if (!ok && error_ == 0) {
        error_ = errno != 0 ? errno : EIO;
    }
}

bool Output::Write(const QByteArray& bytes) {
    if (error_ != 0) {
        return false;
    }
    errno = 0;
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream_) == size_t(bytes.size());
    Check(written && std::fflush(stream_) == 0);
    return error_ == 0;
}

bool Output::Close() {
    errno = 0;
    Check(std::fflush(stream_) == 0 && std::ferror(stream_) == 0);
    if (adopted_) {
        Check(std::fclose(stream_) == 0);
        stream_ = stdout;
        adopted_ = false;
    }
    return error_ == 0;
}

QString Output::ErrorText() const {
    return QStringLiteral("cannot write the output: %1")
        .arg(QString::fromLocal8Bit(std::strerror(error_)));
}

}  // namespace qzlv2
