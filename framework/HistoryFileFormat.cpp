#include "framework/HistoryFileFormat.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <limits>

#include <unistd.h>
#include <zlib.h>

#include "framework/Log.h"
#include "host/core/CMemArchive.h"
#include "host/core/CQZDataStorage.h"
#include "host/core/MemoryArchiveWriter.h"

namespace historyfile {

const char kBanner[] = "QzLv2Quoter kline capital flow history";

namespace {

void WriteBlock(MemoryArchiveWriter& writer, const QByteArray& block) {
    writer.Write<quint32>(static_cast<quint32>(block.size()));
    writer.WritePureBytes(block);
}

// A u32 length, then that many bytes.
QByteArray ReadBlock(CMemArchive& archive) {
    const quint32 length = archive.Read<quint32>();
    if (length > static_cast<quint32>(archive.Remaining())) {
        throw CMemArchiveError(
            archive.Position(),
            static_cast<int>(qMin<quint32>(length, std::numeric_limits<int>::max())),
            archive.Size());
    }
    return archive.ReadBytes(static_cast<int>(length));
}

// Why the file cannot be opened for writing, in the system's words where it has them: QSaveFile
// words a read-only existing file its own way ("Existing file ... is not writable").
QString OpenError(const QString& path, const QSaveFile& file) {
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.exists() ? path : info.absolutePath());
    return ::access(target.constData(), W_OK) != 0 ? QString::fromLocal8Bit(std::strerror(errno))
                                                   : file.errorString();
}

QByteArray Content(const QByteArray& dataBlock) {
    MemoryArchiveWriter identity;
    identity.Write<quint32>(kFunctionId);
    identity.Write<quint32>(kDataVersion);
    MemoryArchiveWriter content;
    WriteBlock(content, identity.Data());
    WriteBlock(content, dataBlock);
    return content.Data();
}

}  // namespace

quint32 Checksum(const char* data, int length) {
    // zlib complements before and after; starting from ~0 and complementing the result gives
    // the plain table walk from 0 without the final complement.
    const uLong crc =
        crc32(0xFFFFFFFFul, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(length));
    return ~static_cast<quint32>(crc);
}

quint32 Checksum(const QByteArray& bytes) {
    return Checksum(bytes.constData(), bytes.size());
}

QByteArray Wrap(const QByteArray& dataBlock) {
    const QByteArray content = Content(dataBlock);
    const QByteArray banner(kBanner);
    MemoryArchiveWriter header;
    header.Write<quint32>(kFormatVersion);
    header.Write<quint16>(static_cast<quint16>(banner.size()));
    header.WritePureBytes(banner);
    header.Write<quint32>(Checksum(content));
    MemoryArchiveWriter file;
    WriteBlock(file, header.Data());
    file.WritePureBytes(content);
    return file.Data();
}

bool Unwrap(const QByteArray& file, QByteArray& dataBlock) {
    CMemArchive archive(file);
    CMemArchive header(ReadBlock(archive));
    if (header.Read<quint32>() != kFormatVersion) {
        qzlog::Warning("dataset", "stored content version not matched");
        return false;
    }
    header.Skip(header.Read<quint16>());  // banner
    const quint32 stored = header.Read<quint32>();
    if (stored != Checksum(archive.Data() + archive.Position(), archive.Remaining())) {
        qzlog::Warning("dataset", "stored content may be destroyed");
        return false;
    }
    CMemArchive identity(ReadBlock(archive));
    identity.Skip(4);  // function id
    if (identity.Read<quint32>() != kDataVersion) {
        qzlog::Warning("dataset", "data version not matched");
        return false;
    }
    dataBlock = ReadBlock(archive);
    return true;
}

SaveOutcome WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty()) {
        return SaveOutcome::NotKept(path, QStringLiteral("no file name"));
    }
    errno = 0;
    if (!CQZDataStorage::CreateParentDir(path, true)) {
        return SaveOutcome::NotKept(
            path, QStringLiteral("cannot create its folder: %1")
                      .arg(QString::fromLocal8Bit(std::strerror(errno != 0 ? errno : EIO))));
    }
    // Unbuffered: every write reaches the file at once, so a failure shows here with its reason
    // rather than in a flush inside commit().
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return SaveOutcome::NotKept(path, OpenError(path, file));
    }
    // A short write is followed by one for the rest, whose failure carries the reason. On any
    // failure the destructor removes the temporary file.
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            return SaveOutcome::NotKept(path, file.errorString());
        }
        done += written;
    }
    if (!file.commit()) {
        return SaveOutcome::NotKept(path, file.errorString());
    }
    return SaveOutcome::Kept(path);
}

}  // namespace historyfile
