#pragma once

#include <QFile>
#include <QString>

#include <iterator>
#include <vector>

#include "framework/HistoryFileFormat.h"
#include "framework/HistoryFilePath.h"
#include "framework/Log.h"
#include "host/core/CMemArchive.h"
#include "host/core/MemoryArchiveWriter.h"

namespace historyfile {

// What a history file keeps of a cached value.
template <typename Record>
struct HistoryData {
    bool flag = false;
    quint8 value8 = 0;
    std::vector<Record> records;
};

// Reads and writes the history file of a (stock code, cycle). The data block is
//   u32 flag (0/1) | u32 8-bit value, zero-extended | u16 record count N | N records
// and each record is laid out by the record codec the owner supplies.
// Thread contract: const and stateless apart from the codec; callers serialise access to one file
// (the owning call takes its call lock around Load and Save).
template <typename Record>
class HistoryFile {
public:
    // Plain function pointers: a load calls the reader once per record, up to 65535 times.
    using RecordWriter = void (*)(MemoryArchiveWriter&, const Record&);
    using RecordReader = Record (*)(CMemArchive&);
    static constexpr int kMaxRecords = 0xFFFF;  // u16 record count

    HistoryFile(RecordWriter writeRecord, RecordReader readRecord)
        : writeRecord_(writeRecord),
          readRecord_(readRecord),
          recordSize_(qMax(1, static_cast<int>(EncodedSize(writeRecord)))) {}

    QByteArray Encode(const HistoryData<Record>& data) const {
        MemoryArchiveWriter block;
        block.Write<quint32>(data.flag ? 1 : 0);
        block.Write<quint32>(data.value8);
        block.Write<quint16>(static_cast<quint16>(data.records.size()));
        for (const Record& record : data.records) {
            writeRecord_(block, record);
        }
        return Wrap(block.Data());
    }

    // Appends the file's records to out and sets its flag and value. Logs and returns false for a
    // rejected envelope (out untouched); throws CMemArchiveError for truncated content.
    bool Decode(const QByteArray& file, HistoryData<Record>& out) const {
        QByteArray dataBlock;
        if (!Unwrap(file, dataBlock)) {
            return false;
        }
        CMemArchive archive(dataBlock);
        HistoryData<Record> decoded;
        decoded.flag = archive.Read<quint32>() != 0;
        decoded.value8 = static_cast<quint8>(archive.Read<quint32>() & 0xFF);
        const quint16 count = archive.Read<quint16>();
        // Reserve no more than the bytes left can hold: a lying count in a short file must not
        // cost count records of memory.
        decoded.records.reserve(qMin<int>(count, archive.Remaining() / recordSize_));
        for (int i = 0; i < count; ++i) {
            decoded.records.push_back(readRecord_(archive));
        }
        out.flag = decoded.flag;
        out.value8 = decoded.value8;
        if (out.records.empty()) {
            out.records.swap(decoded.records);
        } else {
            out.records.insert(out.records.end(), std::make_move_iterator(decoded.records.begin()),
                               std::make_move_iterator(decoded.records.end()));
        }
        return true;
    }

    // Kept only when the whole file was written and renamed into place (HistoryFileFormat.h).
    SaveOutcome Save(const QString& stockCode, const QString& cycle,
                     const HistoryData<Record>& data) const {
        const QString path = FilePath(stockCode, cycle);
        if (data.records.size() > static_cast<size_t>(kMaxRecords)) {
            return SaveOutcome::NotKept(
                path,
                QStringLiteral("%1 records, more than a file holds").arg(data.records.size()));
        }
        return WriteFileAtomically(path, Encode(data));
    }

    // False without a warning when there is no file; false with a warning for a rejected or
    // truncated file.
    bool Load(const QString& stockCode, const QString& cycle, HistoryData<Record>& out) const {
        const QString path = FilePath(stockCode, cycle);
        QFile file(path);
        if (path.isEmpty() || !file.exists() || !file.open(QIODevice::ReadOnly)) {
            return false;
        }
        try {
            return Decode(file.readAll(), out);
        } catch (const CMemArchiveError&) {
            qzlog::Warning("qzLv2quoter", "read kline capitalflow cache error. stock=", stockCode,
                           "cycle=", cycle);
            return false;
        }
    }

private:
    // Records are fixed-size: one default record encoded gives the size of each.
    static int EncodedSize(RecordWriter writeRecord) {
        MemoryArchiveWriter one;
        writeRecord(one, Record{});
        return one.Data().size();
    }

    RecordWriter writeRecord_;
    RecordReader readRecord_;
    int recordSize_;
};

}  // namespace historyfile
