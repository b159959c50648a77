#include "logging.h"

namespace ordovan::import {
Q_LOGGING_CATEGORY(lcImport, "ordovan.import", QtInfoMsg)
}
