#include "cli_app.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvane"));
    QTextStream in(stdin);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return orvane::cli::RunCli(app.arguments().mid(1), in, out, err);
}
