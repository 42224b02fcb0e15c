#include "core/TableFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

namespace {

void appendInt32(QByteArray &out, qint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

// Reads forward through the bytes; every read checks what is left first.
class Reader {
public:
    explicit Reader(QByteArrayView bytes)
        : m_bytes(bytes) {}

    [[nodiscard]] qsizetype remaining() const { return m_bytes.size() - m_pos; }

    std::optional<qint32> int32() {
        if (remaining() < 4)
            return std::nullopt;
        const auto value = qFromLittleEndian<qint32>(m_bytes.data() + m_pos);
        m_pos += 4;
        return value;
    }

    std::optional<QString> utf16(qint32 units) {
        if (units < 0 || remaining() / 2 < units)
            return std::nullopt;
        QString text(units, Qt::Uninitialized);
        const char *p = m_bytes.data() + m_pos;
        for (qint32 i = 0; i < units; ++i)
            text[i] = QChar(qFromLittleEndian<quint16>(p + 2 * i));
        m_pos += 2 * static_cast<qsizetype>(units);
        return text;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

TableFileResult readError() {
    return {false, TableReadError.toString()};
}

} // namespace

QByteArray encodeTable(const StringGrid &grid) {
    QByteArray out;
    appendInt32(out, grid.columnCount());
    appendInt32(out, grid.rowCount());
    for (int c = 0; c < grid.columnCount(); ++c) {
        for (int r = 0; r < grid.rowCount(); ++r) {
            const QString text = grid.cell(c, r);
            appendInt32(out, static_cast<qint32>(text.size()));
            for (const QChar unit : text) {
                char bytes[2];
                qToLittleEndian(unit.unicode(), bytes);
                out.append(bytes, 2);
            }
        }
    }
    return out;
}

std::optional<StringGrid> decodeTable(QByteArrayView bytes) {
    Reader in(bytes);
    const auto columns = in.int32();
    const auto rows = in.int32();
    if (!columns || !rows)
        return std::nullopt;
    // The column count is unsigned in the format: a negative value is a huge count.
    if (*columns < 0 || *columns > MaxTableColumns || *rows < 0 || *rows > MaxTableRows)
        return std::nullopt;
    // Every cell needs at least its four length bytes: refuse before allocating anything.
    const qint64 cells = qint64(*columns) * *rows;
    if (cells > in.remaining() / 4)
        return std::nullopt;

    StringGrid grid;
    grid.setRowCount(*rows);
    grid.addColumns(*columns);
    for (int c = 0; c < *columns; ++c) {
        for (int r = 0; r < *rows; ++r) {
            const auto units = in.int32();
            if (!units)
                return std::nullopt;
            std::optional<QString> text = in.utf16(*units);
            if (!text)
                return std::nullopt;
            const qsizetype nul = text->indexOf(QChar(0));
            if (nul >= 0)
                text->truncate(nul);
            grid.setCell(c, r, *text);
        }
    }
    return grid;
}

TableFileResult WriteTableFile(const StringGrid &grid, const QString &fileName) {
    const QByteArray bytes = encodeTable(grid);
    if (bytes.size() > MaxTableFileBytes)
        return {false, QStringLiteral("%1: table too large to save").arg(fileName)};
    QSaveFile file(fileName);
    // Unbuffered: a buffered QSaveFile takes a short write (file size limit, full disk) for success at
    // commit and renames the cut file over the old one. Unbuffered, the short count shows here.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return {false, QStringLiteral("%1: %2").arg(fileName, file.errorString())};
    if (file.write(bytes) != bytes.size() || file.size() != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return {false, QStringLiteral("%1: incomplete write (%2)").arg(fileName, error)};
    }
    if (!file.commit())
        return {false, QStringLiteral("%1: %2").arg(fileName, file.errorString())};
    return {true, {}};
}

TableFileResult ReadTableFile(StringGrid &grid, const QString &fileName) {
    // Only regular files: a folder, a device or a pipe with the table's name is not a table.
    if (!QFileInfo(fileName).isFile())
        return readError();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return readError();
    // One byte more than allowed tells an oversized (or still growing) file apart.
    const QByteArray bytes = file.read(MaxTableFileBytes + 1);
    if (bytes.size() > MaxTableFileBytes || file.error() != QFileDevice::NoError)
        return readError();
    std::optional<StringGrid> table = decodeTable(bytes);
    if (!table)
        return readError();
    grid = std::move(*table);
    return {true, {}};
}
