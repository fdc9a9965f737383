#pragma once

#include <QString>

namespace orvane {

class OperatorInterface;

// Version texts of the zip and unzip engines (both libzip here, as loaded at run time).
QString ZipEngineVersion();
QString UnzipEngineVersion();

// The text of "DLL Info" (Help menu): both engine versions, a blank line between them.
QString DllInfoText();
// Shows DllInfoText() in a plain message box.
void ShowDllInfo(OperatorInterface& op);

} // namespace orvane
