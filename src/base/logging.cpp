#include "logging.h"

namespace ordovan::base {
Q_LOGGING_CATEGORY(lcBase, "ordovan.base", QtInfoMsg)
}
