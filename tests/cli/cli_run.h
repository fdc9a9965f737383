#pragma once

#include "cli_app.h"

#include <QStringList>
#include <QTextStream>

namespace orvane::test {

struct CliRun {
    int Status;
    QString Out;
    QString Err;
};

// One run of orvane-cli inside this process, on the program directory `home`.
inline CliRun RunCliAt(const QString& home, QStringList args, const QString& input = QString()) {
    args = QStringList{"--home", home} + args;
    QString in = input, out, err;
    QTextStream inStream(&in), outStream(&out), errStream(&err);
    const int status = cli::RunCli(args, inStream, outStream, errStream);
    return {status, out, err};
}

} // namespace orvane::test
