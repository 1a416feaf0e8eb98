#include "ui/mainwindow/FailureSummary.h"

#include <gtest/gtest.h>

namespace kaldoria::mainwindow {

TEST(FailureSummaryTest, CountsEachFileOnceAndNamesTheFirstFew) {
    struct Case {
        QStringList failed;
        QString configured;
        QString message;
    };
    const Case cases[] = {
        {{QStringLiteral("\\a.dat")}, {}, QStringLiteral("1 file could not be updated.\n\\a.dat")},
        {{QStringLiteral("\\a.dat"), QStringLiteral("\\b.dat"), QStringLiteral("\\a.dat")},
         {},
         QStringLiteral("2 files could not be updated.\n\\a.dat, \\b.dat")},
        {{QStringLiteral("\\a"), QStringLiteral("\\b"), QStringLiteral("\\c"), QStringLiteral("\\d")},
         QStringLiteral("%1 Dateien fehlen"),
         QStringLiteral("4 Dateien fehlen\n\\a, \\b, \\c, \u2026")},
    };
    for (const Case& c : cases) {
        FailureSummary summary;
        for (const QString& name : c.failed)
            summary.add(name);
        EXPECT_EQ(summary.message(c.configured), c.message);
    }
}

} // namespace kaldoria::mainwindow
