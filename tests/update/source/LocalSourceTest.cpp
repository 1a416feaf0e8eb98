#include "update/source/LocalSource.h"

#include <gtest/gtest.h>

using kaldoria::update::LocalSource;

TEST(LocalSourceTest, FirstArgumentChoosesTheLocalFolder) {
    struct Case {
        QStringList args;
        bool enabled;
        QString folder;
    };
    const QString prog = QStringLiteral("Kaldoria");
    const Case cases[] = {
        {{prog, QStringLiteral("filemode=/srv/files")}, true, QStringLiteral("/srv/files/")},
        {{prog, QStringLiteral("FILEMODE=/srv/files/")}, true, QStringLiteral("/srv/files/")},
        {{prog, QStringLiteral("filemode=D:\\files")}, true, QStringLiteral("D:\\files/")},
        {{prog, QStringLiteral("filemode=D:\\files\\")}, true, QStringLiteral("D:\\files\\")},
        {{prog, QStringLiteral("filemode=")}, false, QString()},
        {{prog, QStringLiteral("-debug"), QStringLiteral("filemode=/x")}, false, QString()},
        {{prog, QStringLiteral(" filemode=/x")}, false, QString()},
        {{prog}, false, QString()},
    };
    for (const Case& c : cases) {
        const LocalSource source = LocalSource::fromArguments(c.args);
        EXPECT_EQ(source.enabled, c.enabled) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(source.folder, c.folder) << c.args.join(QLatin1Char(' ')).toStdString();
    }
}
