#include "job_file_harness.h"

#include "config/ini_document.h"
#include "config/job_file.h"
#include "scratch_home.h"

#include <QFile>
#include <cstdlib>

namespace orvane::fuzz {

void RunJobFile(QByteArrayView text) {
    const QString path = FreshScratchHome() + QStringLiteral("job.ini");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        file.write(text.data(), text.size());
    }
    Settings settings;
    LoadJobFile(path, settings);
    (void)SaveJobFileSettings(path, settings);
    Settings again;
    LoadJobFile(path, again);
    (void)SaveJobFileLists(path, again);
    LoadJobFile(path, settings);
    // The document on its own, as the editor of a single key uses it.
    IniDocument document(text.toByteArray());
    document.SetValue(QStringLiteral("Options"), QStringLiteral("Tape"), QStringLiteral("x\ny"));
    (void)document.ToText();
}

} // namespace orvane::fuzz
