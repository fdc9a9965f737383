#include "path_bytes.h"

namespace orvane {

namespace {

constexpr char16_t EscapeBase = 0xDC00;

// A low surrogate in that range stands for a byte only when it is alone: after a high
// surrogate it is the second half of a character beyond U+FFFF.
bool IsEscapedByte(QStringView text, qsizetype at) {
    const char16_t unit = text[at].unicode();
    return unit >= 0xDC80 && unit <= 0xDCFF && (at == 0 || !text[at - 1].isHighSurrogate());
}

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at `at`, or 0 when the bytes there are not one
// (overlong forms, surrogates and values beyond U+10FFFF included).
qsizetype SequenceLength(QByteArrayView bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[at + i]); };
    const unsigned char lead = byte(0);
    const qsizetype left = bytes.size() - at;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return left >= 2 && IsContinuation(byte(1)) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (left < 3 || !IsContinuation(byte(1)) || !IsContinuation(byte(2)))
            return 0;
        if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0))
            return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (left < 4 || !IsContinuation(byte(1)) || !IsContinuation(byte(2)) ||
            !IsContinuation(byte(3)))
            return 0;
        if ((lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) >= 0x90))
            return 0;
        return 4;
    }
    return 0;
}

} // namespace

QString PathFromBytes(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    qsizetype run = 0; // start of the valid bytes not yet decoded
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype length = SequenceLength(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        text += QString::fromUtf8(bytes.sliced(run, at - run));
        text += QChar(char16_t(EscapeBase + static_cast<unsigned char>(bytes[at])));
        run = ++at;
    }
    text += QString::fromUtf8(bytes.sliced(run));
    return text;
}

QByteArray PathToBytes(QStringView text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!IsEscapedByte(text, i))
            continue;
        bytes += text.sliced(run, i - run).toUtf8();
        bytes += char(text[i].unicode() - EscapeBase);
        run = i + 1;
    }
    bytes += text.sliced(run).toUtf8();
    return bytes;
}

QString DisplayPath(QStringView text) {
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (IsEscapedByte(text, i))
            shown += QStringLiteral("\\x") +
                     QString::number(text[i].unicode() - EscapeBase, 16).toUpper();
        else
            shown += text[i];
    }
    return shown;
}

} // namespace orvane
