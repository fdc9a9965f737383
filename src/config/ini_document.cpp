#include "ini_document.h"

#include <QStringDecoder>

namespace orvane {

namespace {

const QByteArray LineEnd = QByteArrayLiteral("\r\n");
const QByteArray Utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

QString Fold(const QString& name) {
    return name.trimmed().toCaseFolded();
}

// Job files are UTF-8 here; one written on a Windows machine in its code page still reads with
// its accented letters intact instead of as replacement characters.
QString Decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// The name of a "[name]" line, or nothing.
std::optional<QString> SectionName(const QByteArray& line) {
    const QByteArray trimmed = line.trimmed();
    const qsizetype close = trimmed.indexOf(']');
    if (!trimmed.startsWith('[') || close < 0)
        return std::nullopt;
    return Decode(trimmed.mid(1, close - 1)).trimmed();
}

QByteArray KeyLine(const QString& key, const QString& value) {
    QString flat = value;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return key.toUtf8() + '=' + flat.toUtf8();
}

} // namespace

IniDocument::IniDocument() : m_sections(1) {}

IniDocument::IniDocument(const QByteArray& text) : IniDocument() {
    m_byteOrderMark = text.startsWith(Utf8Bom);
    qsizetype start = m_byteOrderMark ? Utf8Bom.size() : 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QByteArray line = text.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        AddLine(line);
        start = end + 1;
    }
}

void IniDocument::AddLine(const QByteArray& text) {
    if (const std::optional<QString> name = SectionName(text)) {
        m_sections.push_back(Section{text, {}, {}, 0});
        if (!m_sectionIndex.contains(Fold(*name)))
            m_sectionIndex.insert(Fold(*name), m_sections.size() - 1);
        return;
    }
    Section& section = m_sections.back();
    Line line{text, QString()};
    const qsizetype equals = text.indexOf('=');
    if (equals >= 0)
        line.Key = Fold(Decode(text.left(equals)));
    if (!line.Key.isEmpty()) {
        if (!section.Keys.contains(line.Key))
            section.Keys.insert(line.Key, section.Lines.size());
        section.KeyLinesEnd = section.Lines.size() + 1;
    }
    section.Lines.push_back(std::move(line));
}

std::optional<QString> IniDocument::Value(const QString& section, const QString& key) const {
    const auto found = m_sectionIndex.constFind(Fold(section));
    if (found == m_sectionIndex.cend())
        return std::nullopt;
    const Section& lines = m_sections[*found];
    const auto line = lines.Keys.constFind(Fold(key));
    if (line == lines.Keys.cend())
        return std::nullopt;
    const QByteArray& text = lines.Lines[*line].Text;
    return Decode(text.mid(text.indexOf('=') + 1)).trimmed();
}

IniDocument::Section& IniDocument::SectionFor(const QString& name) {
    const QString folded = Fold(name);
    if (const auto found = m_sectionIndex.constFind(folded); found != m_sectionIndex.cend())
        return m_sections[*found];
    m_sections.push_back(Section{'[' + name.toUtf8() + ']', {}, {}, 0});
    m_sectionIndex.insert(folded, m_sections.size() - 1);
    return m_sections.back();
}

void IniDocument::SetValue(const QString& section, const QString& key, const QString& value) {
    Section& target = SectionFor(section);
    const QString folded = Fold(key);
    if (const auto found = target.Keys.constFind(folded); found != target.Keys.cend()) {
        target.Lines[*found].Text = KeyLine(key, value);
        return;
    }
    // Only lines after the last key (blank lines, comments) move down, and those are never
    // indexed, so the index stays right.
    const std::size_t at = target.KeyLinesEnd++;
    target.Lines.insert(target.Lines.begin() + static_cast<std::ptrdiff_t>(at),
                        Line{KeyLine(key, value), folded});
    target.Keys.insert(folded, at);
}

QByteArray IniDocument::ToText() const {
    QByteArray text = m_byteOrderMark ? Utf8Bom : QByteArray();
    for (const Section& section : m_sections) {
        if (!section.Header.isEmpty())
            text += section.Header + LineEnd;
        for (const Line& line : section.Lines)
            text += line.Text + LineEnd;
    }
    return text;
}

} // namespace orvane
