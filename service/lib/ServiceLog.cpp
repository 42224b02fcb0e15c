#include "lib/ServiceLog.h"

Q_LOGGING_CATEGORY(lcService, "quillbarrow.service", QtInfoMsg)
