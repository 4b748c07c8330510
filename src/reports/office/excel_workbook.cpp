#include "reports/office/excel_workbook.h"

#include <QFile>
#include <QtEndian>
#include <vector>

namespace office {

namespace {

// An Excel 97-2003 file is a compound file (a little file system of sectors); the workbook is
// its "Workbook" stream, a sequence of BIFF8 records.
class CompoundFile {
public:
    explicit CompoundFile(const QByteArray& file) : file_(file) {}

    bool open() {
        static const char signature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
        if (file_.size() < 512 || !file_.startsWith(QByteArray(signature, 8))) return false;
        const quint16 sectorShift = u16(file_, 0x1E);
        const quint16 miniShift = u16(file_, 0x20);
        if (sectorShift < 7 || sectorShift > 16 || miniShift > sectorShift) return false;
        sectorSize_ = qsizetype(1) << sectorShift;
        miniSectorSize_ = qsizetype(1) << miniShift;
        miniCutoff_ = u32(file_, 0x38);

        // The sectors of the allocation table: up to 109 listed in the header, the rest in a
        // chain of list sectors.
        const quint32 fatSectors = u32(file_, 0x2C);
        std::vector<quint32> fatList;
        for (int i = 0; i < 109 && fatList.size() < fatSectors; ++i)
            fatList.push_back(u32(file_, 0x4C + 4 * i));
        quint32 listSector = u32(file_, 0x44);
        for (quint32 steps = u32(file_, 0x48); steps > 0 && fatList.size() < fatSectors; --steps) {
            const QByteArray list = sector(listSector);
            if (list.isEmpty()) return false;
            const qsizetype entries = sectorSize_ / 4 - 1;
            for (qsizetype i = 0; i < entries && fatList.size() < fatSectors; ++i)
                fatList.push_back(u32(list, 4 * i));
            listSector = u32(list, 4 * entries);
        }
        for (quint32 id : fatList) {
            const QByteArray part = sector(id);
            if (part.isEmpty()) return false;
            for (qsizetype i = 0; i + 4 <= part.size(); i += 4) fat_.push_back(u32(part, i));
        }

        directory_ = chain(fat_, u32(file_, 0x30), [this](quint32 id) { return sector(id); });
        if (directory_.size() < 128) return false;
        miniFat_ =
            toWords(chain(fat_, u32(file_, 0x3C), [this](quint32 id) { return sector(id); }));
        miniStream_ = chain(fat_, u32(directory_, 0x74), [this](quint32 id) { return sector(id); });
        return true;
    }

    // A stream of the root storage by name; empty when there is none.
    QByteArray stream(const QString& name) const {
        for (qsizetype at = 0; at + 128 <= directory_.size(); at += 128) {
            const quint16 nameBytes = u16(directory_, at + 0x40);
            const quint8 type = static_cast<quint8>(directory_.at(at + 0x42));
            if (type != 2 || nameBytes < 2 || nameBytes > 64) continue;
            const QString entry = QString::fromUtf16(
                reinterpret_cast<const char16_t*>(directory_.constData() + at), nameBytes / 2 - 1);
            if (entry.compare(name, Qt::CaseInsensitive) != 0) continue;
            const quint32 start = u32(directory_, at + 0x74);
            const quint32 size = u32(directory_, at + 0x78);
            QByteArray data = size < miniCutoff_
                                  ? chain(miniFat_, start,
                                          [this](quint32 id) {
                                              return miniStream_.mid(
                                                  qsizetype(id) * miniSectorSize_, miniSectorSize_);
                                          })
                                  : chain(fat_, start, [this](quint32 id) { return sector(id); });
            return data.left(size);
        }
        return {};
    }

    static quint16 u16(const QByteArray& data, qsizetype at) {
        return at >= 0 && at + 2 <= data.size() ? qFromLittleEndian<quint16>(data.constData() + at)
                                                : 0;
    }
    static quint32 u32(const QByteArray& data, qsizetype at) {
        return at >= 0 && at + 4 <= data.size() ? qFromLittleEndian<quint32>(data.constData() + at)
                                                : 0;
    }

private:
    QByteArray sector(quint32 id) const {
        const qsizetype offset = (qsizetype(id) + 1) * sectorSize_;
        if (id >= 0xFFFFFFFAu || offset + sectorSize_ > file_.size()) return {};
        return file_.mid(offset, sectorSize_);
    }

    // The sectors of a chain, in order; a chain that loops or leaves the table ends there.
    template <class Read>
    static QByteArray chain(const std::vector<quint32>& table, quint32 start, Read read) {
        QByteArray data;
        quint32 id = start;
        for (std::size_t steps = 0; id < table.size() && steps <= table.size(); ++steps) {
            const QByteArray part = read(id);
            if (part.isEmpty()) break;
            data += part;
            id = table[id];
        }
        return data;
    }

    static std::vector<quint32> toWords(const QByteArray& data) {
        std::vector<quint32> words;
        for (qsizetype i = 0; i + 4 <= data.size(); i += 4) words.push_back(u32(data, i));
        return words;
    }

    const QByteArray& file_;
    qsizetype sectorSize_ = 512;
    qsizetype miniSectorSize_ = 64;
    quint32 miniCutoff_ = 4096;
    std::vector<quint32> fat_;
    std::vector<quint32> miniFat_;
    QByteArray directory_;
    QByteArray miniStream_;
};

constexpr quint16 bofRecord = 0x0809;
constexpr quint16 eofRecord = 0x000A;
constexpr quint16 window1Record = 0x003D;

}  // namespace

std::optional<int> savedActiveSheet(const QByteArray& file) {
    CompoundFile compound(file);
    if (!compound.open()) return std::nullopt;
    const QByteArray workbook = compound.stream(QStringLiteral("Workbook"));
    if (CompoundFile::u16(workbook, 0) != bofRecord) return std::nullopt;
    // The workbook globals come first and end with their EOF record; WINDOW1 among them holds
    // the active sheet's tab.
    for (qsizetype at = 0; at + 4 <= workbook.size();) {
        const quint16 type = CompoundFile::u16(workbook, at);
        const quint16 length = CompoundFile::u16(workbook, at + 2);
        if (type == eofRecord) break;
        if (type == window1Record && length >= 12 && at + 4 + length <= workbook.size())
            return CompoundFile::u16(workbook, at + 4 + 10);
        at += 4 + length;
    }
    return std::nullopt;
}

std::optional<int> savedActiveSheet(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return savedActiveSheet(file.readAll());
}

}  // namespace office
