#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace orvane {

// A Linux file name is bytes, not text: any byte but NUL and '/' may appear, in any order. Paths
// are held as QString in many places, so they are mapped to text without loss: valid UTF-8 reads
// as the text it spells, and each byte of anything else becomes a lone surrogate U+DC80..U+DCFF
// that maps back to that byte. Every file-system call on such a path goes through PathToBytes;
// QFile::encodeName would turn those bytes into U+FFFD.
QString PathFromBytes(QByteArrayView bytes);
QByteArray PathToBytes(QStringView text);

// The path as a person reads it: the stand-ins of undecodable bytes shown as "\xE9".
QString DisplayPath(QStringView text);
inline QString DisplayPath(QByteArrayView bytes) {
    return DisplayPath(PathFromBytes(bytes));
}

} // namespace orvane
