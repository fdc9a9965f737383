#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>
#include <vector>

namespace orvane {

// A profile (INI) text kept line by line, so that writing one key leaves every other line of the
// file as it was, byte for byte. Section and key names match without regard to case; blanks
// around names and values do not count. Written lines end in CR LF; on reading, LF alone ends a
// line too. Of several sections with one name only the first counts, and within it the first key.
class IniDocument {
public:
    IniDocument();
    explicit IniDocument(const QByteArray& text);

    std::optional<QString> Value(const QString& section, const QString& key) const;

    // Replaces the key's line in place; a new key goes after the last key of its section, a new
    // section at the end. Line breaks in the value become blanks, so that a value can never add
    // lines of its own to the file.
    void SetValue(const QString& section, const QString& key, const QString& value);

    QByteArray ToText() const;

private:
    struct Line {
        QByteArray Text; // without its line end
        QString Key;     // the folded name of a key line, else empty
    };
    struct Section {
        QByteArray Header; // empty for the lines before the first section
        std::vector<Line> Lines;
        QHash<QString, std::size_t> Keys; // folded name -> index into lines
        std::size_t KeyLinesEnd = 0;      // where a new key goes
    };

    void AddLine(const QByteArray& text);
    Section& SectionFor(const QString& name);

    std::vector<Section> m_sections; // the first holds the lines before any section header
    QHash<QString, std::size_t> m_sectionIndex;
    bool m_byteOrderMark = false; // kept for an editor that wrote one
};

} // namespace orvane
