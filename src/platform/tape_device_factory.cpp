#include "tape_device_factory.h"

#include "st_tape_device.h"
#include "virtual_tape_library.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace orvane {

namespace {

// A drive name that names nothing usable: every open fails as a missing device does.
class MissingTapeDevice : public TapeDevice {
public:
    explicit MissingTapeDevice(QString name) : m_name(std::move(name)) {}
    std::unique_ptr<TapeHandle> Open(ResultCode& failure) override {
        failure = QFileInfo::exists(m_name) ? ResultCode::BadUnit : ResultCode::FileNotFound;
        return nullptr;
    }
    QString Name() const override { return m_name; }

private:
    QString m_name;
};

} // namespace

QString VirtualLibraryDirectory(const QString& drive) {
    return drive.startsWith(QLatin1String("vtape:")) ? drive.mid(6) : QString();
}

QString ChosenTapeDrive(const QString& programDirectory, const QString& choice) {
    if (!choice.isEmpty())
        return choice;
    for (const char* variable : {"ORVANE_TAPE", "TAPE"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return QStringLiteral("vtape:") + programDirectory + QStringLiteral("vtape");
}

std::unique_ptr<TapeDevice> CreateTapeDevice(const QString& programDirectory,
                                             const QString& choice) {
    const QString drive = ChosenTapeDrive(programDirectory, choice);
    const QString library = VirtualLibraryDirectory(drive);
    if (!library.isEmpty())
        return std::make_unique<VirtualTapeDevice>(library);
    struct stat st {};
    if (::stat(QFile::encodeName(drive).constData(), &st) == 0 && S_ISCHR(st.st_mode))
        return CreateStTapeDevice(NonRewindingTwin(drive));
    return std::make_unique<MissingTapeDevice>(drive);
}

} // namespace orvane
