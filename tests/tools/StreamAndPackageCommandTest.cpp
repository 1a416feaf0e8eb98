#include "PackFixture.h"

#include "skin/TkucConfig.h"
#include "startup/ConfigPackage.h"

#include <gtest/gtest.h>

using namespace packtest;
using kaldoria::skin::SkinReadResult;
using kaldoria::skin::TkucConfig;

namespace {

struct PackCommands : ::testing::Test {
    void SetUp() override {
        makeSkinFolder(skin);
        writeFile(config, "[config]\r\ninstance=Test\r\n");
    }
    QTemporaryDir dir;
    QString skin = dir.filePath(u"skin"_qs);
    QString config = dir.filePath(u"config.txt"_qs);
    QString stream = dir.filePath(u"config.stream"_qs);
    QString package = dir.filePath(u"config.pack"_qs);
};

} // namespace

TEST_F(PackCommands, StreamCarriesTheSkinFolderAndTheConfigurationText) {
    const RunResult r = pack({u"stream"_qs, u"--skin"_qs, skin, u"--config"_qs, config, u"-o"_qs, stream});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QByteArray bytes = readFile(stream);

    // Records in tag order: the background (tag 1) first, then the close button (tag 5).
    EXPECT_EQ(bytes.mid(8, 1), QByteArray("\x01"));
    TkucConfig read;
    ASSERT_EQ(read.LoadFromData(bytes), SkinReadResult::Ok);
    const auto& main = read.MainWindow;
    EXPECT_EQ(main.BackGroundImage.image.size(), QSize(40, 30));
    EXPECT_EQ(main.BackGroundImage.region, QByteArray("REGIONDATA"));
    EXPECT_EQ(main.Button_Close.parameters, (QStringList{u"Left=30"_qs, u"Top=2"_qs}));
    EXPECT_EQ(main.Button_Close.over.size(), QSize(8, 8));
    EXPECT_TRUE(main.Button_Close.common.isNull());
    EXPECT_TRUE(main.Button_Close.btn_script.isEmpty());
    EXPECT_EQ(main.Text_Title.parameters, QStringList{u"Left=5"_qs});
    EXPECT_EQ(read.ConfigWindow.Button_Ok.parameters, (QStringList{u"Left=1"_qs, u"Top=1"_qs}));
    EXPECT_EQ(read.CfgParameters, (QStringList{u"[config]"_qs, u"instance=Test"_qs}));
    EXPECT_TRUE(bytes.endsWith("[config]\r\ninstance=Test\r\n"));
}

TEST_F(PackCommands, PackageDecodesBackToTheStream) {
    ASSERT_EQ(pack({u"stream"_qs, u"--skin"_qs, skin, u"--config"_qs, config, u"-o"_qs, stream}).exitCode, 0);
    const RunResult r = pack({u"package"_qs, stream, u"-o"_qs, package});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(kaldoria::startup::ConfigPackage::decode(readFile(package), nullptr), readFile(stream));
}

TEST_F(PackCommands, BadInputsFailWithAMessageAndNoOutput) {
    const QString out = dir.filePath(u"out.bin"_qs);
    writeFile(dir.filePath(u"text.txt"_qs), "[config]\r\ninstance=only text\r\n");
    writeFile(dir.filePath(u"bad/MainWindow/BackGroundImage/image.bmp"_qs), "BM but not a bitmap");
    writeFile(dir.filePath(u"typo/MainWindow/BackGroundImage/image.bmp"_qs), bmp(2, 2, Qt::red));
    writeFile(dir.filePath(u"typo/MainWindow/Button_Close/Over.bmp"_qs), bmp(2, 2, Qt::red));
    writeFile(dir.filePath(u"unknown/MainWindow/BackGroundImage/image.bmp"_qs), bmp(2, 2, Qt::red));
    writeFile(dir.filePath(u"unknown/MainWindow/Button_Help/parameters.txt"_qs), "x=1");
    writeFile(dir.filePath(u"nobackground/MainWindow/Text_Title/parameters.txt"_qs), "x=1");
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {{u"stream"_qs, u"--skin"_qs, skin, u"-o"_qs, out}, "option --config is required"},
        {{u"stream"_qs, u"--skin"_qs, skin, u"--config"_qs, config}, "option -o is required"},
        {{u"stream"_qs, u"--skin"_qs, skin, u"--config"_qs, config, u"-o"_qs, out, u"--bogus"_qs},
         "unknown option --bogus"},
        {{u"stream"_qs, u"--skin"_qs, skin, u"--config"_qs, dir.filePath(u"missing.txt"_qs), u"-o"_qs, out},
         "missing.txt"},
        {{u"stream"_qs, u"--skin"_qs, dir.filePath(u"missing"_qs), u"--config"_qs, config, u"-o"_qs, out},
         "not a folder"},
        {{u"stream"_qs, u"--skin"_qs, dir.filePath(u"bad"_qs), u"--config"_qs, config, u"-o"_qs, out},
         "not a BMP file"},
        {{u"stream"_qs, u"--skin"_qs, dir.filePath(u"typo"_qs), u"--config"_qs, config, u"-o"_qs, out},
         "unknown file 'Over.bmp'"},
        {{u"stream"_qs, u"--skin"_qs, dir.filePath(u"unknown"_qs), u"--config"_qs, config, u"-o"_qs, out},
         "unknown element 'Button_Help'"},
        {{u"stream"_qs, u"--skin"_qs, dir.filePath(u"nobackground"_qs), u"--config"_qs, config, u"-o"_qs, out},
         "background"},
        {{u"stream"_qs, u"--skin"_qs, skin, u"--config"_qs, config, u"-o"_qs, dir.path()}, "is a folder"},
        {{u"package"_qs, dir.filePath(u"text.txt"_qs), u"-o"_qs, out}, "no main-window skin"},
        {{u"package"_qs, dir.filePath(u"missing.stream"_qs), u"-o"_qs, out}, "missing.stream"},
        {{u"package"_qs, u"-o"_qs, out}, "exactly one STREAM"},
        {{u"package"_qs, config, config, u"-o"_qs, out}, "exactly one STREAM"},
        {{u"package"_qs, config, u"-o"_qs}, "option -o needs a value"},
    };
    for (const auto& c : cases) {
        const RunResult r = pack(c.args);
        EXPECT_NE(r.exitCode, 0) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.constData();
        EXPECT_FALSE(QFile::exists(out)) << c.args.join(u' ').toStdString();
    }
}

TEST_F(PackCommands, OversizedStreamIsRefused) {
    // Incompressible text after a valid skin: its compressed form exceeds the payload limit.
    ASSERT_EQ(pack({u"stream"_qs, u"--skin"_qs, skin, u"--config"_qs, config, u"-o"_qs, stream}).exitCode, 0);
    QByteArray noise(1600 * 1024, '\0');
    quint32 x = 99;
    for (char& c : noise) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    writeFile(stream, readFile(stream) + noise);
    const RunResult r = pack({u"package"_qs, stream, u"-o"_qs, package});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("limit of 1536000 bytes")) << r.err.constData();
    EXPECT_FALSE(QFile::exists(package));
}

TEST_F(PackCommands, StreamWarnsAboutUnknownParametersAndAddressesWithoutSlashAndStillWrites) {
    writeFile(skin + u"/MainWindow/Text_Title/parameters.txt"_qs, "Left=5\r\nColour=$FF\r\nleft=1\r\nBold=true\r\n");
    writeFile(skin + u"/MainWindow/Button_Close/parameters.txt"_qs, "Left=30\r\nSize=3\r\n");
    writeFile(skin + u"/MainWindow/Progress_Total/parameters.txt"_qs, "CForeFace=$FF\r\nOrientation=1\r\n");
    writeFile(skin + u"/MainWindow/Box_LangFolder/parameters.txt"_qs, "FSize=9\r\nColor=3\r\n\r\n");
    writeFile(skin + u"/ConfigWindow/Button_Ok/parameters.txt"_qs, "Left=1\nTop=1\nVisible\n");
    writeFile(config, "[config]\r\ninstance=Test\r\n[updateservers]\r\nurl=http://a.example/client\r\n"
                      "url=http://b.example/client/\r\nurl=http://c.example/client\\\r\n"
                      "[gameproxys]\r\nurl=http://d.example/x\r\n");
    const RunResult r = pack({u"stream"_qs, u"--skin"_qs, skin, u"--config"_qs, config, u"-o"_qs, stream});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(readFile(stream).endsWith(readFile(config)));

    const QStringList warnings = QString::fromUtf8(r.err).split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : warnings)
        EXPECT_TRUE(line.startsWith(u"kaldoria-pack stream: warning: "_qs)) << line.toStdString();
    const char* expected[] = {
        "Text_Title/parameters.txt line 2: unknown parameter 'Colour'",
        "Text_Title/parameters.txt line 3: unknown parameter 'left'",
        "Button_Close/parameters.txt line 2: unknown parameter 'Size'",
        "Box_LangFolder/parameters.txt line 2: unknown parameter 'Color'",
        "Button_Ok/parameters.txt line 3: 'Visible'",
        "config.txt line 4: update server address 'http://a.example/client' does not end with '/'",
    };
    for (const char* text : expected)
        EXPECT_TRUE(r.err.contains(text)) << text << "\n" << r.err.constData();
    EXPECT_EQ(warnings.size(), std::size(expected)) << r.err.constData();
}

TEST_F(PackCommands, TheDemoSkinAndTheDocumentedExampleStreamWithoutWarnings) {
    const QString demo = dir.filePath(u"demo"_qs);
    ASSERT_EQ(pack({u"demo-skin"_qs, u"-o"_qs, demo}).exitCode, 0);
    const QString example = qEnvironmentVariable("KALDORIA_SOURCE_DIR") + u"/docs/config-example.txt"_qs;
    const RunResult r = pack({u"stream"_qs, u"--skin"_qs, demo, u"--config"_qs, example, u"-o"_qs, stream});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
}
