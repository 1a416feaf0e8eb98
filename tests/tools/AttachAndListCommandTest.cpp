#include "PackFixture.h"

#include "platform/ProgramResources.h"

#include <gtest/gtest.h>

using namespace packtest;
using kaldoria::platform::ProgramResources;

namespace {

struct AttachCommand : ::testing::Test {
    void SetUp() override {
        writeFile(program, "#!/bin/sh\nexit 0\n");
        QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner | QFile::ExeGroup);
        writeFile(blank, "package bytes");
        writeFile(other, QByteArray(1000, 'o'));
    }
    QTemporaryDir dir;
    QString program = dir.filePath(u"program"_qs);
    QString blank = dir.filePath(u"blank.bin"_qs);
    QString other = dir.filePath(u"other.bin"_qs);
    QString out = dir.filePath(u"out"_qs);
};

} // namespace

TEST_F(AttachCommand, AttachesReplacesKeepsOthersAndTheExecutableBit) {
    RunResult r = pack({u"attach"_qs, program, u"-o"_qs, out, u"--resource"_qs, u"blank="_qs + blank, u"--resource"_qs,
                        u"other="_qs + other});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(QFileInfo(out).isExecutable());
    EXPECT_EQ(ProgramResources::read(out, u"blank"_qs), QByteArray("package bytes"));
    // The program still runs with its resources behind it.
    EXPECT_EQ(run(out, {}).exitCode, 0);

    r = pack({u"list"_qs, out});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QByteArray("blank\t13\nother\t1000\n"));

    // Attaching again, in place, replaces "blank" and keeps "other".
    writeFile(blank, "new");
    r = pack({u"attach"_qs, out, u"-o"_qs, out, u"--resource"_qs, u"blank="_qs + blank});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(pack({u"list"_qs, out}).out, QByteArray("blank\t3\nother\t1000\n"));
    EXPECT_EQ(ProgramResources::stripResources(readFile(out)), readFile(program));
    EXPECT_TRUE(QFileInfo(out).isExecutable());
}

TEST_F(AttachCommand, BadInputsFailWithAMessageAndLeaveTheOutputAlone) {
    writeFile(out, "previous output");
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {{u"attach"_qs, program, u"-o"_qs, out}, "at least one --resource"},
        {{u"attach"_qs, program, u"-o"_qs, out, u"--resource"_qs, u"blank"_qs}, "expected NAME=FILE"},
        {{u"attach"_qs, program, u"-o"_qs, out, u"--resource"_qs, u"=x"_qs}, "expected NAME=FILE"},
        {{u"attach"_qs, program, u"-o"_qs, out, u"--resource"_qs, u"blank="_qs}, "expected NAME=FILE"},
        {{u"attach"_qs, program, u"-o"_qs, out, u"--resource"_qs, u"blank="_qs + dir.filePath(u"nofile"_qs)}, "nofile"},
        {{u"attach"_qs, program, u"-o"_qs, out, u"--resource"_qs, u"blank="_qs + blank, u"--resource"_qs,
          u"blank="_qs + other},
         "more than once"},
        {{u"attach"_qs, dir.filePath(u"noprogram"_qs), u"-o"_qs, out, u"--resource"_qs, u"blank="_qs + blank},
         "noprogram"},
        {{u"attach"_qs, program, u"--resource"_qs, u"blank="_qs + blank}, "option -o is required"},
        {{u"attach"_qs, program, u"-o"_qs, out, u"--resource"_qs, u"trust="_qs + other}, "outside a PEM block"},
        {{u"list"_qs}, "exactly one PROGRAM"},
        {{u"list"_qs, dir.filePath(u"noprogram"_qs)}, "no such file"},
        {{u"list"_qs, program}, "program carries no resources"},
        {{u"list"_qs, blank}, "blank.bin is not a program"},
    };
    for (const auto& c : cases) {
        const RunResult r = pack(c.args);
        EXPECT_NE(r.exitCode, 0) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.constData();
        EXPECT_EQ(readFile(out), QByteArray("previous output"));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4); // no temporary file left behind
}

TEST(PackTool, UnknownCommandAndHelp) {
    RunResult r = pack({u"frobnicate"_qs});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("unknown command"));
    for (const QString& command : {u"stream"_qs, u"package"_qs, u"attach"_qs, u"list"_qs}) {
        r = pack({command, u"--help"_qs});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.out.startsWith("Usage: kaldoria-pack " + command.toLatin1())) << r.out.constData();
    }
}
