#pragma once

#include <QLoggingCategory>

// Log lines of the app server. Passwords never appear in them.
Q_DECLARE_LOGGING_CATEGORY(lcService)
