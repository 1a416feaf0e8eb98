#include "SkinStreamBuilder.h"

#include "skin/SkinLayoutMode.h"
#include "skin/TkucConfig.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace kaldoria::skin;
using namespace skintest;

namespace {

class SkinStreamReader : public ::testing::Test {
protected:
    void SetUp() override { SkinLayoutMode = 1; }

    // Reads the main-window block then the settings-window block from `bytes`.
    SkinReadResult readBoth(const QByteArray& bytes) {
        stream.setData(bytes);
        stream.open(QIODevice::ReadOnly);
        return skin.LoadWindows(stream);
    }

    QBuffer stream;
    TkucConfig skin;
};

const QByteArray kEmptySettingsBlock = QByteArray::fromHex("a15b000000000000");

} // namespace

TEST_F(SkinStreamReader, WorkedExampleBlockFillsTitleAndEndsAtByte31) {
    const QByteArray mainBlock = QByteArray::fromHex("3a300000"
                                                     "01000000"
                                                     "0a"
                                                     "0e00000000000000"
                                                     "0600000000000000"
                                                     "4c6566743d35");
    ASSERT_EQ(mainBlock.size(), 31);
    EXPECT_EQ(mainBlock, block(12346, {record(10, payload({"Left=5"}))}));

    stream.setData(mainBlock + kEmptySettingsBlock + "tail");
    stream.open(QIODevice::ReadOnly);
    EXPECT_EQ(skin.MainWindow.LoadFromStream(stream), SkinReadResult::Ok);
    EXPECT_EQ(skin.MainWindow.Text_Title.parameters, QStringList{u"Left=5"_qs});
    EXPECT_EQ(SkinLayoutMode, 2);
    EXPECT_EQ(stream.pos(), 31);
    EXPECT_EQ(skin.ConfigWindow.LoadFromStream(stream), SkinReadResult::Ok);
    EXPECT_EQ(stream.pos(), 39);
}

TEST_F(SkinStreamReader, WrongVersionStopsAfterFourBytesAndKeepsLayoutMode) {
    // Each window rejects the other's version after reading only those 4 bytes.
    stream.setData(block(23457, {record(1, payload({bmp(4, 4, Qt::red), {}}))}));
    stream.open(QIODevice::ReadOnly);
    EXPECT_EQ(skin.MainWindow.LoadFromStream(stream), SkinReadResult::Ok);
    EXPECT_EQ(stream.pos(), 4);
    EXPECT_TRUE(skin.MainWindow.BackGroundImage.image.isNull());
    EXPECT_EQ(SkinLayoutMode, 1);

    stream.close();
    EXPECT_EQ(readBoth(block(12346, {}) + block(12346, {record(2, payload({"Top=1"}))})), SkinReadResult::Ok);
    EXPECT_EQ(stream.pos(), 12);
    EXPECT_TRUE(skin.ConfigWindow.Text_Title.parameters.isEmpty());
    EXPECT_EQ(SkinLayoutMode, 2);
}

TEST_F(SkinStreamReader, EmptyBlocksAndEmptyStream) {
    EXPECT_EQ(readBoth(block(12346, {}) + kEmptySettingsBlock), SkinReadResult::Ok);
    EXPECT_EQ(stream.pos(), 16);
    EXPECT_EQ(SkinLayoutMode, 2);

    // A stream with nothing in it holds no block; that is not a read error.
    stream.close();
    SkinLayoutMode = 1;
    EXPECT_EQ(readBoth({}), SkinReadResult::Ok);
    EXPECT_EQ(SkinLayoutMode, 1);
}

TEST_F(SkinStreamReader, EveryTagReachesItsElement) {
    const QList<QStringList*> mainTargets = {
        &skin.MainWindow.Button_StartGame.parameters,
        &skin.MainWindow.Button_Cancel.parameters,
        &skin.MainWindow.Button_CheckAllFiles.parameters,
        &skin.MainWindow.Button_Close.parameters,
        &skin.MainWindow.Button_Minimize.parameters,
        &skin.MainWindow.Button_Config.parameters,
        &skin.MainWindow.Progress_OneFile.parameters,
        &skin.MainWindow.Progress_Total.parameters,
        &skin.MainWindow.Text_Title.parameters,
        &skin.MainWindow.Text_Status.parameters,
        &skin.MainWindow.WebPanel.parameters,
        &skin.MainWindow.Gauge_OneFile.parameters,
        &skin.MainWindow.Gauge_Total.parameters,
        &skin.MainWindow.Box_LangFolder.parameters,
        &skin.MainWindow.Text_StatusTotal.parameters,
        &skin.MainWindow.Text_LangBoxDescription.parameters,
    };
    const QList<QStringList*> settingsTargets = {
        &skin.ConfigWindow.Text_Title.parameters,     &skin.ConfigWindow.Text_Language.parameters,
        &skin.ConfigWindow.Text_Autoclose.parameters, &skin.ConfigWindow.Text_Proxy.parameters,
        &skin.ConfigWindow.Text_DriveType.parameters, &skin.ConfigWindow.Text_CheckType.parameters,
        &skin.ConfigWindow.Box_Language.parameters,   &skin.ConfigWindow.Check_Autoclose.parameters,
        &skin.ConfigWindow.Box_Proxy.parameters,      &skin.ConfigWindow.Box_DriveType.parameters,
        &skin.ConfigWindow.Box_CheckType.parameters,  &skin.ConfigWindow.Button_Ok.parameters,
    };
    // Tags 2 to 17 (main) and 2 to 13 (settings), in reverse order; each text names its tag.
    // Button payloads carry seven items and gauge payloads three.
    auto recordsFor = [](int lastTag, QList<int> buttons, QList<int> gauges) {
        QByteArray records;
        for (int tag = lastTag; tag >= 2; --tag) {
            const QByteArray text = QByteArray("Tag=") + QByteArray::number(tag);
            const QByteArray content = buttons.contains(tag)  ? payload({text, {}, {}, {}, {}, {}, {}})
                                       : gauges.contains(tag) ? payload({text, {}, {}})
                                                              : payload({text});
            records += record(quint8(tag), content);
        }
        return records;
    };
    const QByteArray mainBlock = le32(12346) + le32(16) + recordsFor(17, {2, 3, 4, 5, 6, 7}, {13, 14});
    const QByteArray settingsBlock = le32(23457) + le32(12) + recordsFor(13, {}, {});
    ASSERT_EQ(readBoth(mainBlock + settingsBlock), SkinReadResult::Ok);
    for (int i = 0; i < mainTargets.size(); ++i)
        EXPECT_EQ(*mainTargets[i], QStringList{u"Tag=%1"_qs.arg(i + 2)}) << "main tag " << i + 2;
    for (int i = 0; i < settingsTargets.size(); ++i)
        EXPECT_EQ(*settingsTargets[i], QStringList{u"Tag=%1"_qs.arg(i + 2)}) << "settings tag " << i + 2;
    EXPECT_EQ(stream.pos(), mainBlock.size() + settingsBlock.size());
}

TEST_F(SkinStreamReader, UnknownTagsArePassedOver) {
    const QByteArray mainBlock = block(12346, {
                                                  record(0, le64(0)), // 9 bytes, no payload
                                                  record(18, payload({"Ignored=1"})),
                                                  record(255, le64(-5)),
                                                  record(10, payload({"Left=7"})),
                                              });
    const QByteArray settingsBlock = block(23457, {record(14, payload({"X=1"})), record(13, payload({"Ok=1"}))});
    ASSERT_EQ(readBoth(mainBlock + settingsBlock + "rest"), SkinReadResult::Ok);
    EXPECT_EQ(skin.MainWindow.Text_Title.parameters, QStringList{u"Left=7"_qs});
    EXPECT_EQ(skin.ConfigWindow.Button_Ok.parameters, QStringList{u"Ok=1"_qs});
    EXPECT_EQ(stream.readAll(), QByteArray("rest"));
}

TEST_F(SkinStreamReader, PayloadsOfLengthZeroAndTrailingBytes) {
    // A label payload of 20 bytes whose one item holds 6 bytes: the other 6 are ignored.
    const QByteArray label = le64(20) + sized("Left=5") + QByteArray(6, 'z');
    // A button payload whose seven items all have length 0 (56 bytes) changes nothing.
    QByteArray emptyButton = le64(56);
    for (int i = 0; i < 7; ++i)
        emptyButton += le64(0);
    const QByteArray first = bmp(3, 2, Qt::blue);
    ASSERT_EQ(readBoth(block(12346,
                             {
                                 record(1, payload({first, "REGION"})),
                                 record(5, payload({"Left=1", "script", bmp(2, 2, Qt::red), {}, {}, {}, {}})),
                                 record(1, le64(0)), // 9 bytes: background unchanged
                                 record(10, label),
                                 record(5, emptyButton),
                                 record(11, payload({"Top=3"})),
                             })),
              SkinReadResult::Ok);
    EXPECT_EQ(skin.MainWindow.BackGroundImage.image.size(), QSize(3, 2));
    EXPECT_EQ(skin.MainWindow.BackGroundImage.region, QByteArray("REGION"));
    EXPECT_EQ(skin.MainWindow.Text_Title.parameters, QStringList{u"Left=5"_qs});
    EXPECT_EQ(skin.MainWindow.Text_Status.parameters, QStringList{u"Top=3"_qs});
    EXPECT_EQ(skin.MainWindow.Button_Close.parameters, QStringList{u"Left=1"_qs});
    EXPECT_EQ(skin.MainWindow.Button_Close.btn_script, QStringList{u"script"_qs});
    EXPECT_EQ(skin.MainWindow.Button_Close.common.pixelColor(0, 0), QColor(Qt::red));
}

TEST_F(SkinStreamReader, SecondRecordReplacesOnlyWhatItCarries) {
    const QByteArray all5 = bmp(5, 5, Qt::green);
    ASSERT_EQ(readBoth(block(12346,
                             {
                                 record(5, payload({"Left=1\r\nTop=2", "go", all5, all5, all5, all5, all5})),
                                 record(5, payload({{}, {}, {}, bmp(6, 6, Qt::yellow), {}, {}, {}})),
                                 record(1, payload({bmp(8, 8, Qt::black), "OUTLINE"})),
                                 record(1, payload({{}, {}})), // empties the outline, keeps the image
                             })),
              SkinReadResult::Ok);
    const TkucButton& close = skin.MainWindow.Button_Close;
    EXPECT_EQ(close.parameters, (QStringList{u"Left=1"_qs, u"Top=2"_qs}));
    EXPECT_EQ(close.btn_script, QStringList{u"go"_qs});
    EXPECT_EQ(close.over.size(), QSize(6, 6));
    EXPECT_EQ(close.over.pixelColor(0, 0), QColor(Qt::yellow));
    for (const QImage* kept : {&close.common, &close.disabled, &close.down, &close.up})
        EXPECT_EQ(kept->size(), QSize(5, 5));
    EXPECT_EQ(skin.MainWindow.BackGroundImage.image.size(), QSize(8, 8));
    EXPECT_TRUE(skin.MainWindow.BackGroundImage.region.isEmpty());
}

TEST_F(SkinStreamReader, GaugeAndSettingsBackgroundItems) {
    ASSERT_EQ(readBoth(block(12346, {record(14, payload({"Max=9", bmp(2, 3, Qt::red), bmp(4, 5, Qt::blue)}))}) +
                       block(23457, {record(1, payload({bmp(7, 1, Qt::white), {}}))})),
              SkinReadResult::Ok);
    EXPECT_EQ(skin.MainWindow.Gauge_Total.parameters, QStringList{u"Max=9"_qs});
    EXPECT_EQ(skin.MainWindow.Gauge_Total.FTex.size(), QSize(2, 3));
    EXPECT_EQ(skin.MainWindow.Gauge_Total.BTex.size(), QSize(4, 5));
    EXPECT_EQ(skin.ConfigWindow.BackGroundImage.image.size(), QSize(7, 1));
}

TEST_F(SkinStreamReader, TextItemsHonourLineEndsAndByteOrderMarks) {
    const struct {
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"Left=10\r\nTop=20", {u"Left=10"_qs, u"Top=20"_qs}},
        {"A=1\rB=2\nC=3\r\n", {u"A=1"_qs, u"B=2"_qs, u"C=3"_qs}},
        {QByteArray::fromHex("efbbbf") + "Caption=\xc3\xa9t\xc3\xa9", {u"Caption=\u00e9t\u00e9"_qs}},
        {QByteArray::fromHex("fffe") + QByteArray("X\0=\0\x31\0\r\0\n\0Y\0", 12), {u"X=1"_qs, u"Y"_qs}},
        {QByteArray::fromHex("feff") + QByteArray("\0Z\0=\0\x32", 6), {u"Z=2"_qs}},
    };
    for (const auto& c : cases) {
        TkucLabel label;
        QBuffer buffer;
        buffer.setData(payload({c.bytes}));
        buffer.open(QIODevice::ReadOnly);
        EXPECT_EQ(label.LoadFromStream2(buffer), SkinReadResult::Ok);
        EXPECT_EQ(label.parameters, c.lines) << c.bytes.toHex().constData();
    }
}

TEST_F(SkinStreamReader, SkinFileCarriesTheTextAfterBothBlocks) {
    const QByteArray data = block(12346, {record(10, payload({"Left=5"}))}) + kEmptySettingsBlock + "a=1\r\nb=2";
    EXPECT_EQ(skin.LoadFromData(data), SkinReadResult::Ok);
    EXPECT_EQ(skin.CfgParameters, (QStringList{u"a=1"_qs, u"b=2"_qs}));
    EXPECT_EQ(skin.MainWindow.Text_Title.parameters, QStringList{u"Left=5"_qs});
    EXPECT_EQ(skin.LoadFromFile(u"/nonexistent/skin.bin"_qs), SkinReadResult::FileNotReadable);
}
