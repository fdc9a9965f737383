#pragma once

#include <QString>
#include <optional>

namespace orvane {

// Where the archive member `memberName` lands below `baseDirectory`, or
// nothing when the name would lead out of it: an absolute name or a ".." component. Guards
// extraction against archives that try to write elsewhere ("zip slip").
std::optional<QString> MemberTargetPath(const QString& baseDirectory, const QString& memberName);

} // namespace orvane
