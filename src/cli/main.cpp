#include "cli_app.h"
#include "platform/path_bytes.h"

#include <QCoreApplication>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
// The width of the terminal that standard error shows on, 0 when it is not one.
int ErrorTerminalColumns() {
    if (isatty(STDERR_FILENO) != 1)
        return 0;
    winsize size{};
    return ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvane"));
    QTextStream in(stdin);
    QTextStream out(stdout);
    QTextStream err(stderr);
    // Arguments are bytes, as file names are: each maps to text without loss.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << orvane::PathFromBytes(argv[i]);
    return orvane::cli::RunCli(arguments, in, out, err, isatty(STDIN_FILENO) == 1,
                               ErrorTerminalColumns());
}
