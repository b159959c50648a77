#include "logging.h"

namespace ordovan::app {
Q_LOGGING_CATEGORY(lcApp, "ordovan.app", QtInfoMsg)
}
