#pragma once

#include <QLoggingCategory>

// The logging category of this subsystem ("ordovan.platform"): technical details that the German
// messages leave out, for whoever runs the program with QT_LOGGING_RULES or reads its output.
namespace ordovan::platform {
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
}
