#include "hardware/smbios.h"

#include <QList>
#include <QString>

#include <utility>

namespace Smbios {

namespace {

constexpr quint8 kBaseBoard = 2;
constexpr quint8 kMemoryDevice = 17;
constexpr quint8 kEndOfTable = 127;

// One structure: its formatted area and its string set, both inside the table.
class Structure final {
public:
    Structure(const uchar *formatted, int length, QList<QByteArray> strings)
        : m_formatted(formatted), m_length(length), m_strings(std::move(strings))
    {
    }

    quint8 type() const { return m_formatted[0]; }

    bool has(int offset, int size) const { return offset + size <= m_length; }

    quint8 byte(int offset) const { return has(offset, 1) ? m_formatted[offset] : 0; }
    quint16 word(int offset) const
    {
        return has(offset, 2) ? quint16(m_formatted[offset] | m_formatted[offset + 1] << 8) : 0;
    }
    quint32 dword(int offset) const
    {
        return has(offset, 4) ? quint32(word(offset)) | quint32(word(offset + 2)) << 16 : 0;
    }

    // The string a byte field refers to; empty for 0 or an index past the set.
    std::u16string string(int offset) const
    {
        const int index = byte(offset);
        if (index == 0 || index > m_strings.size())
            return std::u16string();
        return QString::fromLatin1(m_strings[index - 1]).toStdU16String();
    }

private:
    const uchar *m_formatted;
    int m_length;
    QList<QByteArray> m_strings;
};

BaseBoardRecord baseBoard(const Structure &s)
{
    BaseBoardRecord record;
    record.name = u"Base Board";
    record.manufacturer = s.string(0x04);
    record.product = s.string(0x05);
    record.version = s.string(0x06);
    record.serialNumber = s.string(0x07);
    return record;
}

// Size in bytes; 0 for an empty slot, and for an unknown size (0xffff).
quint64 moduleBytes(const Structure &s)
{
    const quint16 size = s.word(0x0c);
    if (size == 0 || size == 0xffff)
        return 0;
    if (size == 0x7fff && s.has(0x1c, 4))
        return quint64(s.dword(0x1c) & 0x7fffffff) << 20;
    if (size & 0x8000)
        return quint64(size & 0x7fff) << 10;
    return quint64(size) << 20;
}

bool isInstalled(const Structure &s)
{
    return s.has(0x0c, 2) && s.word(0x0c) != 0;
}

PhysicalMemoryRecord memoryModule(const Structure &s)
{
    PhysicalMemoryRecord record;
    record.name = u"Physical Memory";
    record.manufacturer = s.string(0x17);
    record.serialNumber = s.string(0x18);
    quint32 speed = s.word(0x15);
    if (speed == 0xffff)
        speed = s.dword(0x54);
    record.speed = static_cast<int32_t>(speed & 0x7fffffff);
    record.capacity = moduleBytes(s) >> 30;
    return record;
}

} // namespace

Inventory parse(const QByteArray &table)
{
    Inventory inventory;
    const auto *data = reinterpret_cast<const uchar *>(table.constData());
    const int size = table.size();
    int position = 0;
    while (position + 4 <= size) {
        const int length = data[position + 1];
        // A header that claims less than itself, or a formatted area past the
        // end, leaves nothing trustworthy after it.
        if (length < 4 || position + length > size)
            break;

        // The string set: NUL-terminated strings closed by an empty one.
        QList<QByteArray> strings;
        int cursor = position + length;
        bool closed = false;
        if (cursor + 1 < size && data[cursor] == 0 && data[cursor + 1] == 0) {
            closed = true;
            cursor += 2;
        } else {
            while (cursor < size) {
                const int start = cursor;
                while (cursor < size && data[cursor] != 0)
                    ++cursor;
                if (cursor >= size)
                    break;
                strings.append(table.mid(start, cursor - start));
                ++cursor;
                if (cursor < size && data[cursor] == 0) {
                    closed = true;
                    ++cursor;
                    break;
                }
            }
        }
        if (!closed)
            break;

        const Structure structure(data + position, length, strings);
        if (structure.type() == kBaseBoard) {
            inventory.hasBaseBoard = true;
            inventory.baseBoard = baseBoard(structure);
        } else if (structure.type() == kMemoryDevice && isInstalled(structure)) {
            inventory.memory.push_back(memoryModule(structure));
        } else if (structure.type() == kEndOfTable) {
            break;
        }
        position = cursor;
    }
    return inventory;
}

} // namespace Smbios
