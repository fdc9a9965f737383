#include "external_command.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace orvane {

namespace {

CommandStart Failed(CommandStartFailure failure, int systemError) {
    return CommandStart{failure, systemError};
}

// ENOENT names the file when the directories on its way exist, the path otherwise.
CommandStartFailure NotFound(const QString& program) {
    if (!program.contains(QLatin1Char('/')))
        return CommandStartFailure::FileNotFound;
    return QFileInfo(program).absoluteDir().exists() ? CommandStartFailure::FileNotFound
                                                     : CommandStartFailure::PathNotFound;
}

} // namespace

QStringList SplitCommandLine(const QString& commandLine) {
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote; // the open quote, or null
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        const QChar c = commandLine.at(i);
        if (quote == QLatin1Char('\'')) {
            if (c == quote)
                quote = QChar();
            else
                word += c;
        } else if (quote == QLatin1Char('"')) {
            const bool escape = c == QLatin1Char('\\') && i + 1 < commandLine.size() &&
                                QStringLiteral("\"\\$`").contains(commandLine.at(i + 1));
            if (escape)
                word += commandLine.at(++i);
            else if (c == quote)
                quote = QChar();
            else
                word += c;
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == QLatin1Char('\'') || c == QLatin1Char('"'))
                quote = c;
            else if (c == QLatin1Char('\\') && i + 1 < commandLine.size())
                word += commandLine.at(++i);
            else
                word += c;
        }
    }
    if (inWord)
        words << word;
    return words;
}

CommandStart StartDetachedCommand(const QString& commandLine) {
    const QStringList words = SplitCommandLine(commandLine);
    if (words.isEmpty() || words.first().isEmpty())
        return Failed(CommandStartFailure::FileNotFound, ENOENT);

    std::vector<QByteArray> encoded;
    encoded.reserve(size_t(words.size()));
    for (const QString& word : words)
        encoded.push_back(word.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& word : encoded)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own session: a Ctrl+C meant for Orvane does not stop the command, nor the other way.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t child = 0;
    const int error =
        posix_spawnp(&child, argv.front(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);

    switch (error) {
    case 0:
        std::thread([child] {
            int status = 0;
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
        return {};
    case ENOENT:
    case ENOTDIR:
        return Failed(NotFound(words.first()), error);
    case ENOEXEC:
    case EACCES:
        return Failed(CommandStartFailure::InvalidExecutable, error);
    default:
        return Failed(CommandStartFailure::Other, error);
    }
}

QString CommandStartReason(const CommandStart& start) {
    switch (start.Failure) {
    case CommandStartFailure::None:
        return QString();
    case CommandStartFailure::FileNotFound:
        return QStringLiteral("The specified file was not found.");
    case CommandStartFailure::PathNotFound:
        return QStringLiteral("The specified path was not found.");
    case CommandStartFailure::InvalidExecutable:
        return QStringLiteral("The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).");
    case CommandStartFailure::Other:
        break;
    }
    return QStringLiteral("Unknown Error Nr.: ") + QString::number(start.SystemError);
}

} // namespace orvane
