#include "logging.h"

namespace ordovan::platform {
Q_LOGGING_CATEGORY(lcPlatform, "ordovan.platform", QtInfoMsg)
}
