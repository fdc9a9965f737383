#pragma once

#include "jobs/backup_run.h"
#include "jobs/session.h"
#include "platform/virtual_tape_library.h"
#include "support/independent_tape_reader.h"
#include "support/scripted_operator.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

namespace orvane::test {

// An operator that also lets a test act when a file starts ("Processing :  " + path ...), as a
// user or another program might.
class BackupOperator : public ScriptedOperator {
public:
    std::function<void(const QString& status)> OnStatus;

    void SetStatus(const QString& text) override {
        ScriptedOperator::SetStatus(text);
        if (OnStatus)
            OnStatus(text);
    }
    QStringList LinesStartingWith(const QString& start) const {
        QStringList lines;
        for (const QString& line : ProtocolLines)
            if (line.startsWith(start))
                lines << line;
        return lines;
    }
};

// A session on a fresh virtual library with one loaded cartridge "t1", a source tree to back up
// and the settings a test usually wants: no soft compression, every file line in the protocol.
// Further cartridges are made and loaded as the run asks for them ("t2", "t3", ...), and tape n
// of the set is cartridge "tn" when a reader asks for it.
class BackupFixture {
public:
    explicit BackupFixture(int64_t blocksPerCartridge = 1000)
        : Blocks(blocksPerCartridge), Library(VirtualTapeLibrary::At(Home.LibraryDir())) {
        Library->CreateCartridge(QStringLiteral("t1"), Blocks * 32768, 1, false);
        Library->Insert(QStringLiteral("t1"));
        Cartridges << QStringLiteral("t1");
        Session = std::make_unique<orvane::Session>(Op, Home.Path(), Home.TapeChoice());
        Session->Start();
        Session->Settings.SoftCompression = false;
        Session->Settings.ShortProtocol = false;
        Op.OnTapeRequest = [this](const TapeRequest& request) {
            if (request.Kind != TapeRequestKind::NextTapeForWriting) {
                // A tape that does not exist is given up, so that a fault ends the test
                // instead of asking for ever.
                const QString name = QStringLiteral("t%1").arg(request.TapeNumber);
                if (request.Kind == TapeRequestKind::TapeOfSet && Cartridges.contains(name))
                    Library->Insert(name);
                else
                    Op.Answers.push_front(MessageAnswer::Cancel);
                return;
            }
            const QString name = QStringLiteral("t%1").arg(Cartridges.size() + 1);
            Library->CreateCartridge(name, Blocks * 32768, 1, false);
            Library->Insert(name);
            Cartridges << name;
        };
    }

    orvane::Session& S() { return *Session; }

    // A file below the source tree (directories made as needed); its absolute path.
    QString MakeFile(const QString& relative, const QByteArray& bytes) {
        const QString path = Source(relative);
        QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path;
    }
    QString Source(const QString& relative = QString()) const {
        return SourceDir.path() + QLatin1Char('/') + relative;
    }

    void Backup(const QStringList& list) {
        Session->Settings.BackupList = list;
        RunBackup(*Session, Steps);
    }

    QStringList Images() const {
        QStringList images;
        for (const QString& name : Cartridges)
            images << Library->ImagePath(name);
        return images;
    }
    IndependentTapeReader::TapeSet Parse(const IndependentTapeReader::DataSink& onData = {}) {
        return IndependentTapeReader(Images(), Session->BlockLimit, 8 << 20).Parse(onData);
    }

    int64_t Blocks;
    TempHome Home;
    BackupOperator Op;
    std::shared_ptr<VirtualTapeLibrary> Library;
    QStringList Cartridges;
    std::unique_ptr<orvane::Session> Session;
    BackupRunSteps Steps;
    QTemporaryDir SourceDir;
};

inline QByteArray Pattern(qsizetype size, int seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    uint32_t state = uint32_t(seed) * 2654435761u + 1;
    for (qsizetype i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = char(state >> 24);
    }
    return bytes;
}

inline QByteArray ReadWhole(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace orvane::test
