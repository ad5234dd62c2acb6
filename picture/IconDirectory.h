#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

// The directory of an icon (type 1) or cursor (type 2) file and the choice of its entry.
class IconDirectory
{
public:
    struct Entry {
        int width = 0;
        int height = 0;
        int bitCount = 0;
        qint64 offset = 0;
        qint64 size = 0;
        bool png = false;
    };

    // The directory, or none unless every entry lies inside the data.
    static std::optional<IconDirectory> parse(const QByteArray& data);

    bool isCursor() const { return m_cursor; }
    const QList<Entry>& entries() const { return m_entries; }

    // Index of the entry closest to the wanted size and colour depth. iconSize 1, 2, 3 ask
    // for 16, 32, 48 pixels, 4 for desiredCx x desiredCy; anything else for the largest.
    // colorDepth 0 asks for the deepest colours.
    int choose(int iconSize, int desiredCx, int desiredCy, int colorDepth) const;

private:
    static std::optional<Entry> readEntry(const QByteArray& data, qint64 at);
    bool m_cursor = false;
    QList<Entry> m_entries;
};
