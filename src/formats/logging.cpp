#include "logging.h"

namespace ordovan::formats {
Q_LOGGING_CATEGORY(lcFormats, "ordovan.formats", QtInfoMsg)
}
