#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

// Where a command's results go (standard output, or the screen stream `watch` keeps when it
// sends the plug-in's own standard-output lines elsewhere), with the first write error kept so
// that a full disk or a closed stdout ends the command with exit 1 and a message.
// Threads: main thread only.
namespace qzlv2 {

class Output {
public:
    static Output& Results();

    // Standard output was closed when the program started: its descriptor is kept on /dev/null so
    // that no file opened later takes it, and every write fails with EBADF.
    void GuardClosedStdout();

    // Makes `stream` the results stream (owned from now on; closed by Close).
    void Adopt(FILE* stream);
    // Writes and flushes; false once any write has failed.
    bool Write(const QByteArray& bytes);
    // Flushes (and closes an adopted stream); false when this or any earlier write failed.
    bool Close();
    bool Failed() const { return error_ != 0; }
    QString ErrorText() const;  // "cannot write the output: No space left on device"
    FILE* Stream() const { return stream_; }

private:
    Output() = default;
    void Check(bool ok);

    FILE* stream_ = stdout;
    bool adopted_ = false;
    int error_ = 0;  // errno of the first failure
};

}  // namespace qzlv2
