#pragma once

#include <QLoggingCategory>

// Log lines of the unpacking code (refused archive entries, library load problems).
// The program routes this category into its debug log.
Q_DECLARE_LOGGING_CATEGORY(lcUnpack)
