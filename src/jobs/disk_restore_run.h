#pragma once

namespace orvane {

class Session;

// "Start Restore" of a disk-image tape set onto disk N: tape 1 of the set first, then the
// restore of the image in the frame of every restore run (busy mode, the protocol block, the
// summary). CancelFlag is raised when the disk did not get the whole image.
void RunDiskRestore(Session& session, int diskNumber);

// The disk image of disk N onto a new tape set in busy mode, without the protocol block and the
// commands of a backup run. CancelFlag is raised when the image is not complete.
void RunDiskImageBackup(Session& session, int diskNumber);

} // namespace orvane
