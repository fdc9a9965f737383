#include "zip_engine_info.h"

#include "platform/operator_interface.h"

#include <zip.h>

namespace orvane {

QString ZipEngineVersion() {
    return QString::fromLatin1(zip_libzip_version());
}

QString UnzipEngineVersion() {
    return QString::fromLatin1(zip_libzip_version());
}

QString DllInfoText() {
    return QStringLiteral("ZIPDLL version: ") + ZipEngineVersion() +
           QStringLiteral("\r\n\r\nUNZDLL version: ") + UnzipEngineVersion();
}

void ShowDllInfo(OperatorInterface& op) {
    op.ShowMessage(DllInfoText());
}

} // namespace orvane
