#include "logging.h"

namespace ordovan::reports {
Q_LOGGING_CATEGORY(lcReports, "ordovan.reports", QtInfoMsg)
}
