#include "st_tape_device.h"

#include "last_error.h"

#include <QRegularExpression>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace orvane {

namespace {
class RealCalls : public TapeSystemCalls {
public:
    int open(const char* path, int flags) override { return ::open(path, flags); }
    int close(int fd) override { return ::close(fd); }
    ssize_t read(int fd, void* buffer, size_t length) override { return ::read(fd, buffer, length); }
    ssize_t write(int fd, const void* buffer, size_t length) override {
        return ::write(fd, buffer, length);
    }
    int ioctl(int fd, unsigned long request, void* argument) override {
        return ::ioctl(fd, request, argument);
    }
};

class UnsupportedDevice : public TapeDevice {
public:
    explicit UnsupportedDevice(QString path) : m_path(std::move(path)) {}
    std::unique_ptr<TapeHandle> open() override {
        Fail(ResultCode::NotSupported);
        return nullptr;
    }
    QString name() const override { return m_path; }

private:
    QString m_path;
};
} // namespace

std::shared_ptr<TapeSystemCalls> RealTapeSystemCalls() { return std::make_shared<RealCalls>(); }

std::unique_ptr<TapeDevice> CreateStTapeDevice(const QString& devicePath,
                                               std::shared_ptr<TapeSystemCalls>) {
    return std::make_unique<UnsupportedDevice>(devicePath);
}

QString NonRewindingTwin(const QString& devicePath) {
    static const QRegularExpression rewinding(QStringLiteral("^(.*/)(st\\d+[lma]?)$"));
    const auto match = rewinding.match(devicePath);
    return match.hasMatch() ? match.captured(1) + QLatin1Char('n') + match.captured(2) : devicePath;
}

} // namespace orvane
