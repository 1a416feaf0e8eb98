#include "UnpackLog.h"

Q_LOGGING_CATEGORY(lcUnpack, "kaldoria.unpack")
