#pragma once

#include <QString>

namespace shell {

// The text of a run-time error report: which operation failed on which object.
QString runtimeErrorText(const QString &object, const QString &operation, const QString &reason);

// Nothing in the program handles run-time errors: the failure is reported
// (standard error, and a message box where there is a screen to show it on)
// and the program ends with a failure status.
[[noreturn]] void raiseRuntimeError(const QString &object, const QString &operation,
                                    const QString &reason);

} // namespace shell
