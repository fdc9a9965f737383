#pragma once

#include <QString>

namespace orvane {

class Session;
struct ProgramPaths;

// Held by every job that reads or writes the work files (backup, restore, verify, catalog load)
// for as long as it runs. The first claim of a session removes what a run that ended without
// cleaning up left behind; a claim refused because another run holds the work directory is
// reported, raises the cancel flag, and leaves every work file alone.
class WorkDirectoryClaim {
public:
    explicit WorkDirectoryClaim(Session& session);
    WorkDirectoryClaim(const WorkDirectoryClaim&) = delete;
    WorkDirectoryClaim& operator=(const WorkDirectoryClaim&) = delete;
    ~WorkDirectoryClaim();

    explicit operator bool() const { return m_held; }

private:
    Session& m_session;
    bool m_held = false;
};

// Removes the work files a run leaves while it works: the catalog file, the compression
// archives, the files packed ahead, and the directories compressed records are unpacked in.
// Only for the holder of the work directory lock, for whom all of them are abandoned.
void RemoveAbandonedWorkFiles(const ProgramPaths& paths);

} // namespace orvane
