#include "service_unit.h"

namespace orvane {

QString OrvaneServiceName() {
    return QStringLiteral("OrvaneService");
}

QString OrvaneServiceUnitName() {
    return OrvaneServiceName() + QStringLiteral(".service");
}

QString SystemdWord(const QString& word, bool execLine) {
    QString quoted;
    for (const QChar c : word) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('%') || (execLine && c == QLatin1Char('$')))
            quoted += c;
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString ServiceUnitText(const ServiceUnitOptions& options) {
    const QStringList command = {options.CliProgram,       QStringLiteral("--home"),
                                 options.ProgramDirectory, QStringLiteral("schedule"),
                                 QStringLiteral("--job"),  options.JobFile};
    QStringList words;
    for (const QString& word : command)
        words << SystemdWord(word);
    const bool system = options.Scope == ServiceScope::System;

    QStringList lines = {
        QStringLiteral("[Unit]"),
        QStringLiteral("Description=Orvane scheduled tape backup"),
        QStringLiteral("After=local-fs.target"),
        QString(),
        QStringLiteral("[Service]"),
        QStringLiteral("Type=simple"),
        QStringLiteral("ExecStart=") + words.join(QLatin1Char(' ')),
        QStringLiteral("Restart=on-failure"),
        QStringLiteral("RestartSec=30"),
        // SIGTERM cancels a running backup, which still writes its catalog and end marker.
        QStringLiteral("KillSignal=SIGTERM"),
        QStringLiteral("TimeoutStopSec=600"),
        QStringLiteral("NoNewPrivileges=yes"),
        QStringLiteral("LockPersonality=yes"),
        QStringLiteral("RestrictRealtime=yes"),
        QStringLiteral("RestrictSUIDSGID=yes"),
    };
    if (system) {
        // These need the system manager (a user manager lacks the rights to set them up).
        // Every file stays readable; only the program directory is written besides devices.
        lines << QStringLiteral("ProtectSystem=full")
              << QStringLiteral("ReadWritePaths=") + SystemdWord(options.ProgramDirectory, false)
              << QStringLiteral("ProtectKernelTunables=yes")
              << QStringLiteral("ProtectKernelModules=yes")
              << QStringLiteral("ProtectKernelLogs=yes")
              << QStringLiteral("ProtectControlGroups=yes") << QStringLiteral("ProtectClock=yes")
              << QStringLiteral("ProtectHostname=yes");
    }
    lines << QString() << QStringLiteral("[Install]")
          << (system ? QStringLiteral("WantedBy=multi-user.target")
                     : QStringLiteral("WantedBy=default.target"))
          << QString();
    return lines.join(QLatin1Char('\n'));
}

} // namespace orvane
