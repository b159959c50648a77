#include "logging.h"

namespace ordovan::ui {
Q_LOGGING_CATEGORY(lcUi, "ordovan.ui", QtInfoMsg)
}
