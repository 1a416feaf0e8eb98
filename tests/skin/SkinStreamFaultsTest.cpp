#include "SkinStreamBuilder.h"

#include "skin/SkinLayoutMode.h"
#include "skin/TkucConfig.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <limits>

using namespace kaldoria::skin;
using namespace skintest;

namespace {

SkinReadResult readBoth(TkucConfig& skin, const QByteArray& bytes, qint64* endPos = nullptr) {
    QBuffer stream;
    stream.setData(bytes);
    stream.open(QIODevice::ReadOnly);
    const SkinReadResult result = skin.LoadWindows(stream);
    if (endPos)
        *endPos = stream.pos();
    return result;
}

} // namespace

TEST(SkinStreamFaults, TruncatedStreamsFailCleanlyAndKeepEarlierRecords) {
    const QByteArray background = record(1, payload({bmp(6, 4, Qt::red), "RGN"}));
    const QByteArray mainBlock =
        block(12346, {background, record(2, payload({"Left=1", {}, bmp(2, 2, Qt::blue), {}, {}, {}, {}})),
                      record(99, payload({"skipped"}))});
    const QByteArray settingsBlock = block(23457, {record(2, payload({"Top=4"}))});
    const QByteArray whole = mainBlock + settingsBlock;
    const qsizetype firstRecordEnd = 8 + background.size();

    for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
        TkucConfig skin;
        const SkinReadResult result = readBoth(skin, whole.left(cut));
        const bool atBoundary = cut == 0 || cut == mainBlock.size() || cut == whole.size();
        EXPECT_EQ(result, atBoundary ? SkinReadResult::Ok : SkinReadResult::StreamReadError) << "cut " << cut;
        if (cut >= firstRecordEnd) {
            EXPECT_EQ(skin.MainWindow.BackGroundImage.image.size(), QSize(6, 4)) << "cut " << cut;
        }
    }
}

TEST(SkinStreamFaults, LengthsBeyondTheDataAreErrorsNotAllocations) {
    constexpr qint64 huge = std::numeric_limits<qint64>::max();
    const QByteArray cases[] = {
        // payload length far beyond the stream
        block(12346, {record(10, le64(huge))}),
        // payload length one beyond the bytes present
        block(12346, {record(10, le64(15) + sized("Left=5"))}),
        // item length beyond its payload
        block(12346, {record(10, sized(le64(huge) + "x"))}),
        block(12346, {record(10, sized(le64(7) + "Left=5"))}),
        // a payload that stops before its last item, and one inside an item's length field
        block(12346, {record(14, sized(sized("Max=1") + sized(bmp(1, 1, Qt::red))))}),
        block(12346, {record(10, sized("abc"))}),
        // a skipped record with an oversized length
        block(12346, {record(200, le64(huge))}),
        // a count that promises records the stream does not hold
        le32(12346) + le32(std::numeric_limits<qint32>::max()),
        // a block cut inside its count
        le32(12346) + QByteArray("\x01\x00", 2),
    };
    for (const QByteArray& bytes : cases) {
        TkucConfig skin;
        EXPECT_EQ(readBoth(skin, bytes), SkinReadResult::StreamReadError) << bytes.left(40).toHex().constData();
    }
}

TEST(SkinStreamFaults, NegativeLengthsAndCountsMeanNothing) {
    TkucConfig skin;
    qint64 end = 0;
    EXPECT_EQ(readBoth(skin, le32(12346) + le32(-3) + le32(23457) + le32(0)), SkinReadResult::Ok);
    // A negative item length reads as an empty item; a negative payload length as an empty payload.
    const QByteArray bytes = block(12346, {record(10, sized(le64(-9) + sized("x"))), record(11, le64(-1))});
    EXPECT_EQ(readBoth(skin, bytes, &end), SkinReadResult::Ok);
    EXPECT_EQ(end, bytes.size());
    EXPECT_TRUE(skin.MainWindow.Text_Title.parameters.isEmpty());
}

TEST(SkinStreamFaults, InvalidBitmapStopsAfterItsPayload) {
    const QByteArray invalid[] = {"BMnot a bitmap at all", "PNG?", bmp(4, 4, Qt::red).mid(2)};
    for (const QByteArray& bad : invalid) {
        TkucConfig skin;
        const QByteArray mainBlock =
            block(12346, {record(10, payload({"Left=5"})), record(5, payload({"Top=9", {}, bad}))});
        qint64 end = 0;
        EXPECT_EQ(readBoth(skin, mainBlock + le32(23457) + le32(0), &end), SkinReadResult::BitmapNotValid);
        EXPECT_EQ(end, mainBlock.size());
        EXPECT_EQ(skin.MainWindow.Text_Title.parameters, QStringList{u"Left=5"_qs});
        // Items before the bad one in the same payload are already in place.
        EXPECT_EQ(skin.MainWindow.Button_Close.parameters, QStringList{u"Top=9"_qs});
        EXPECT_TRUE(skin.MainWindow.Button_Close.common.isNull());
    }
}

TEST(SkinStreamFaults, TruncatedBitmapHeaderIsNotAValidBitmap) {
    const QByteArray good = bmp(16, 16, Qt::green);
    for (qsizetype cut = 2; cut < good.size(); cut += 7) {
        TkucBackGround background;
        QBuffer buffer;
        buffer.setData(payload({good.left(cut), {}}));
        buffer.open(QIODevice::ReadOnly);
        const SkinReadResult result = background.LoadFromStream2(buffer);
        if (result == SkinReadResult::Ok) {
            EXPECT_FALSE(background.image.isNull());
        } else {
            EXPECT_EQ(result, SkinReadResult::BitmapNotValid);
        }
    }
}
