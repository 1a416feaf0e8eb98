#include "platform/ProgramResources.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaldoria::platform;

namespace {
QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString path = dir.filePath(QStringLiteral("program"));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    return path;
}
} // namespace

TEST(ProgramResources, AppendedResourcesReadBackByName) {
    QTemporaryDir dir;
    const QByteArray program("\x7F"
                             "ELF pretend program",
                             20);
    const QByteArray blank(3000, 'b');
    const QByteArray withResources =
        ProgramResources::appendResources(program, {{u"blank"_qs, blank}, {u"empty"_qs, QByteArray()}});
    const QString path = writeFile(dir, withResources);

    EXPECT_EQ(ProgramResources::read(path, u"blank"_qs), blank);
    EXPECT_EQ(ProgramResources::read(path, u"empty"_qs), QByteArray());
    EXPECT_EQ(ProgramResources::read(path, u"missing"_qs), std::nullopt);
    EXPECT_EQ(ProgramResources::stripResources(withResources), program);
    ASSERT_TRUE(ProgramResources::readAll(path));
    EXPECT_EQ(ProgramResources::readAll(path)->size(), 2);

    // Attaching again replaces, it does not stack.
    const QByteArray again = ProgramResources::appendResources(ProgramResources::stripResources(withResources),
                                                               {{u"blank"_qs, QByteArray("new")}});
    EXPECT_EQ(ProgramResources::read(writeFile(dir, again), u"blank"_qs), QByteArray("new"));
}

TEST(ProgramResources, DamagedOrMissingTablesReadAsNoResource) {
    QTemporaryDir dir;
    const QByteArray good = ProgramResources::appendResources("program", {{u"blank"_qs, QByteArray(100, 'x')}});
    EXPECT_EQ(ProgramResources::read(writeFile(dir, "plain program without resources"), u"blank"_qs), std::nullopt);
    EXPECT_EQ(ProgramResources::read(writeFile(dir, QByteArray()), u"blank"_qs), std::nullopt);
    EXPECT_EQ(ProgramResources::read(dir.filePath(u"absent"_qs), u"blank"_qs), std::nullopt);
    // Cut off anywhere, or with any single byte of the table or trailer changed: never a crash.
    for (qsizetype cut = 0; cut < good.size(); ++cut)
        ProgramResources::read(writeFile(dir, good.left(cut)), u"blank"_qs);
    for (qsizetype i = 107; i < good.size(); ++i) {
        QByteArray bad = good;
        bad[i] = char(bad[i] ^ 0xFF);
        const auto r = ProgramResources::read(writeFile(dir, bad), u"blank"_qs);
        if (r) {
            EXPECT_LE(r->size(), good.size());
        }
    }
}
