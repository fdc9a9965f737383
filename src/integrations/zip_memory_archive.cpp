#include "zip_memory_archive.h"

#include <utility>

namespace orvane {

MemoryArchive::MemoryArchive(MemoryArchive&& other) noexcept
    : m_source(std::exchange(other.m_source, nullptr)), m_size(std::exchange(other.m_size, 0)) {}

MemoryArchive& MemoryArchive::operator=(MemoryArchive&& other) noexcept {
    if (this != &other) {
        Release();
        m_source = std::exchange(other.m_source, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

MemoryArchive::~MemoryArchive() {
    Release();
}

void MemoryArchive::Release() {
    if (!m_source)
        return;
    zip_source_free(m_source); // closes it first
    m_source = nullptr;
    m_size = 0;
}

ZipOutcome MemoryArchive::Adopt(zip_source_t* source) {
    Release();
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(source, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
        zip_source_open(source) != 0) {
        zip_error_t* error = zip_source_error(source);
        const ZipOutcome outcome =
            zip_error_code_zip(error) == ZIP_ER_OK
                ? ZipOutcome::FromCode(ZIP_ER_INTERNAL)
                : ZipOutcome::Failure(zip_error_code_zip(error),
                                      QString::fromUtf8(zip_error_strerror(error)));
        zip_source_free(source);
        return outcome;
    }
    m_source = source;
    m_size = stat.size;
    return {};
}

qint64 MemoryArchive::Read(char* into, qint64 maxLength) {
    if (!m_source || maxLength < 0)
        return -1;
    qint64 got = 0;
    while (got < maxLength) {
        const zip_int64_t n = zip_source_read(m_source, into + got, zip_uint64_t(maxLength - got));
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

QByteArray MemoryArchive::ReadAll() {
    QByteArray bytes;
    char chunk[1 << 15];
    for (qint64 n; (n = Read(chunk, sizeof chunk)) > 0;)
        bytes.append(chunk, n);
    return bytes;
}

} // namespace orvane
