#pragma once

#include <QByteArray>
#include <QDir>
#include <cstdint>

namespace orvane::test {

// Threads of this process; the compression look-ahead's workers are among them while they live.
inline int ProcessThreads() {
    return int(QDir(QStringLiteral("/proc/self/task"))
                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                   .size());
}

// Text that deflates, different for every seed; long texts repeat a 256 KiB stretch.
inline QByteArray Text(qsizetype size, int seed) {
    static const char* words[] = {"tape", "block",  "catalog", "restore", "verify", "drive",
                                  "set",  "marker", "record",  "file",    "zip",    "level"};
    const qsizetype stretch = 256 * 1024;
    if (size > stretch) {
        QByteArray text = Text(stretch, seed).repeated(size / stretch + 1);
        text.truncate(size);
        return text;
    }
    QByteArray text;
    text.reserve(size + 16);
    uint32_t state = uint32_t(seed) * 2654435761u + 7;
    while (text.size() < size) {
        state = state * 1664525u + 1013904223u;
        text += words[(state >> 16) % 12];
        text += (state >> 8) % 13 == 0 ? '\n' : ' ';
        if ((state >> 4) % 5 == 0)
            text += QByteArray::number(state % 1000003);
    }
    text.truncate(size);
    return text;
}

} // namespace orvane::test
