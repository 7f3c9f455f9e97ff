#include "tests/diskfault/DiskFault.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

namespace {

const char kVariable[] = "QZ_DISK_FAULT";  // "<errno> <byte> <path part>"

struct Fault {
    std::mutex mutex;
    bool armed = false;
    int error = 0;
    long long atByte = 0;
    long long written = 0;  // to matching files since armed
    std::string pathPart;

    void Set(int e, long long byte, std::string part) {
        std::lock_guard<std::mutex> lock(mutex);
        armed = true;
        error = e;
        atByte = byte;
        written = 0;
        pathPart = std::move(part);
    }
};

bool PathOfDescriptorContains(int fd, const std::string& part) {
    char link[64];
    char path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, path, sizeof path - 1);
    return n > 0 && std::string(path, size_t(n)).find(part) != std::string::npos;
}

// Never destroyed: writes may come after static destructors have run.
Fault& State() {
    static Fault* fault = [] {
        auto* f = new Fault;
        int error = 0;
        long long byte = 0;
        int consumed = 0;
        const char* setting = std::getenv(kVariable);
        if (setting != nullptr && std::sscanf(setting, "%d %lld %n", &error, &byte, &consumed) >= 2) {
            f->Set(error, byte, setting + consumed);
        }
        return f;
    }();
    return *fault;
}

using WriteFn = ssize_t (*)(int, const void*, size_t);

WriteFn RealWrite() {
    static const WriteFn real = reinterpret_cast<WriteFn>(::dlsym(RTLD_NEXT, "write"));
    return real;
}

}  // namespace

extern "C" ssize_t write(int fd, const void* buffer, size_t count) {
    Fault& fault = State();
    std::unique_lock<std::mutex> lock(fault.mutex);
    if (!fault.armed || !PathOfDescriptorContains(fd, fault.pathPart)) {
        lock.unlock();
        return RealWrite()(fd, buffer, count);
    }
    const long long room = fault.atByte - fault.written;
    if (room <= 0) {
        errno = fault.error;
        return -1;
    }
    const ssize_t done =
        RealWrite()(fd, buffer, size_t(std::min<long long>(room, static_cast<long long>(count))));
    if (done > 0) {
        fault.written += done;
    }
    return done;
}

namespace diskfault {

void Arm(int error, qint64 atByte, const QString& pathPart) {
    State().Set(error, atByte, pathPart.toStdString());
}

void Disarm() {
    Fault& fault = State();
    std::lock_guard<std::mutex> lock(fault.mutex);
    fault.armed = false;
}

QProcessEnvironment Environment(int error, qint64 atByte, const QString& pathPart) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kVariable),
               QStringLiteral("%1 %2 %3").arg(error).arg(atByte).arg(pathPart));
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(QZ_DISK_FAULT_LIBRARY));
    // A sanitizer runtime wants to be loaded first; this library only passes writes on to it.
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               (asan.isEmpty() ? QString() : asan + QLatin1Char(':')) +
                   QStringLiteral("verify_asan_link_order=0"));
    return env;
}

}  // namespace diskfault
