#include "logging.h"

namespace ordovan::sepa {
Q_LOGGING_CATEGORY(lcSepa, "ordovan.sepa", QtInfoMsg)
}
