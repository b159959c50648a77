#include "logging.h"

namespace ordovan::store {
Q_LOGGING_CATEGORY(lcStore, "ordovan.store", QtInfoMsg)
}
