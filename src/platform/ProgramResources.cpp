#include "platform/ProgramResources.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cstring>

namespace kaldoria::platform {

namespace {

// Trailer layout, little-endian: magic (8 bytes), offset of the program's end (where the
// resources start), offset of the table, size of the table. The table holds a count and
// then, per resource, the UTF-8 name's length and bytes, its offset and its size.
constexpr char kMagic[8] = {'K', 'A', 'L', 'D', 'R', 'E', 'S', '1'};
constexpr qint64 kTrailerSize = 32;
constexpr quint32 kMaxResources = 4096;
constexpr quint32 kMaxNameLength = 1024;

struct TableEntry {
    QString name;
    quint64 offset = 0;
    quint64 size = 0;
};

struct Layout {
    quint64 programEnd = 0;
    QList<TableEntry> entries;
};

quint64 readU64(const char* p) {
    return qFromLittleEndian<quint64>(p);
}
quint32 readU32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

void appendU64(QByteArray& out, quint64 v) {
    char b[8];
    qToLittleEndian(v, b);
    out.append(b, 8);
}

void appendU32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

// Reads `size` bytes at `offset` of a file or of an in-memory copy; the callers give one of both.
class Source {
public:
    explicit Source(QFile* file) : m_file(file), m_size(file->size()) {}
    explicit Source(const QByteArray* bytes) : m_bytes(bytes), m_size(bytes->size()) {}

    qint64 size() const { return m_size; }

    std::optional<QByteArray> at(quint64 offset, quint64 size) const {
        if (offset > quint64(m_size) || size > quint64(m_size) - offset)
            return std::nullopt;
        if (m_bytes)
            return m_bytes->mid(qsizetype(offset), qsizetype(size));
        if (!m_file->seek(qint64(offset)))
            return std::nullopt;
        QByteArray data = m_file->read(qint64(size));
        if (quint64(data.size()) != size)
            return std::nullopt;
        return data;
    }

private:
    QFile* m_file = nullptr;
    const QByteArray* m_bytes = nullptr;
    qint64 m_size = 0;
};

// The resource layout behind the program, or nothing when there is none or it is damaged.
std::optional<Layout> readLayout(const Source& src) {
    if (src.size() < kTrailerSize)
        return std::nullopt;
    const auto trailer = src.at(quint64(src.size() - kTrailerSize), kTrailerSize);
    if (!trailer || std::memcmp(trailer->constData(), kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    Layout layout;
    layout.programEnd = readU64(trailer->constData() + 8);
    const quint64 tableOffset = readU64(trailer->constData() + 16);
    const quint64 tableSize = readU64(trailer->constData() + 24);
    const quint64 tableEnd = quint64(src.size() - kTrailerSize);
    if (tableOffset > tableEnd || tableSize != tableEnd - tableOffset || layout.programEnd > tableOffset)
        return std::nullopt;
    const auto table = src.at(tableOffset, tableSize);
    if (!table || table->size() < 4)
        return std::nullopt;

    const char* p = table->constData();
    const char* end = p + table->size();
    const quint32 count = readU32(p);
    p += 4;
    if (count > kMaxResources)
        return std::nullopt;
    for (quint32 i = 0; i < count; ++i) {
        if (end - p < 4)
            return std::nullopt;
        const quint32 nameLength = readU32(p);
        p += 4;
        if (nameLength > kMaxNameLength || quint64(end - p) < quint64(nameLength) + 16)
            return std::nullopt;
        TableEntry entry;
        entry.name = QString::fromUtf8(p, nameLength);
        p += nameLength;
        entry.offset = readU64(p);
        entry.size = readU64(p + 8);
        p += 16;
        if (entry.offset < layout.programEnd || entry.offset > tableOffset || entry.size > tableOffset - entry.offset)
            return std::nullopt;
        layout.entries.append(entry);
    }
    return layout;
}

std::optional<QByteArray> readNamed(const Source& src, const QString& name) {
    const auto layout = readLayout(src);
    if (!layout)
        return std::nullopt;
    for (const TableEntry& e : layout->entries) {
        if (e.name == name)
            return src.at(e.offset, e.size);
    }
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> ProgramResources::read(const QString& programPath, const QString& name) {
    QFile file(programPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return readNamed(Source(&file), name);
}

std::optional<QByteArray> ProgramResources::readOwn(const QString& name) {
    return read(ownProgramPath(), name);
}

std::optional<QList<Resource>> ProgramResources::readAll(const QString& programPath) {
    QFile file(programPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const Source src(&file);
    QList<Resource> result;
    const auto layout = readLayout(src);
    if (!layout)
        return result;
    for (const TableEntry& e : layout->entries) {
        auto data = src.at(e.offset, e.size);
        if (!data)
            return std::nullopt;
        result.append({e.name, *data});
    }
    return result;
}

QByteArray ProgramResources::stripResources(const QByteArray& fileBytes) {
    const auto layout = readLayout(Source(&fileBytes));
    if (!layout)
        return fileBytes;
    return fileBytes.left(qsizetype(layout->programEnd));
}

QByteArray ProgramResources::appendResources(const QByteArray& program, const QList<Resource>& resources) {
    QByteArray out = program;
    QByteArray table;
    appendU32(table, quint32(resources.size()));
    for (const Resource& r : resources) {
        const QByteArray name = r.name.toUtf8();
        appendU32(table, quint32(name.size()));
        table.append(name);
        appendU64(table, quint64(out.size()));
        appendU64(table, quint64(r.data.size()));
        out.append(r.data);
    }
    const quint64 tableOffset = quint64(out.size());
    out.append(table);
    out.append(kMagic, sizeof kMagic);
    appendU64(out, quint64(program.size()));
    appendU64(out, tableOffset);
    appendU64(out, quint64(table.size()));
    return out;
}

QString ProgramResources::ownProgramPath() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

} // namespace kaldoria::platform
