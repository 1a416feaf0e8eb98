#include "HardeningFixture.h"

#include <QDir>
#include <QJsonDocument>

using kaldoria::testsupport::UpdateServerFolder;

namespace kaldoria::hardening {

namespace {

constexpr auto kPacked = "/system/data.pak.kdz";

// What a sound launcher ends with: the file installed (the fault healed on a retry or did
// not matter), or the file failed and not recorded. `Either` where both are sound.
enum class Outcome { Installed, Failed, Either };

struct Row {
    const char* name;
    const char* rule; // the bad server's rule for the client file's packed form, as JSON
    Outcome outcome;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

// Answers of the update server to the requests for one packed client file. Faults that heal
// apply to the first requests only; the stalls cost one stall watchdog period each.
const Row kRows[] = {
    {"OkInsteadOfPartial", R"({"fault":"ignore-range"})", Outcome::Installed},
    {"WrongContentRange", R"({"fault":"wrong-range"})", Outcome::Failed},
    {"ShortBodyThenCloseHeals", R"({"fault":"short-close","times":1})", Outcome::Installed},
    {"ShortBodyThenCloseAlways", R"({"fault":"short-close"})", Outcome::Failed},
    {"ConnectionResetHeals", R"({"fault":"reset","times":1})", Outcome::Installed},
    {"ConnectionResetAlways", R"({"fault":"reset"})", Outcome::Failed},
    {"StallOnLengthRequest", R"({"fault":"head-stall","times":1})", Outcome::Installed},
    {"StallBeforeHeaders", R"({"fault":"stall-before","times":1})", Outcome::Installed},
    {"StallMidBody", R"({"fault":"stall-mid","times":1})", Outcome::Installed},
    {"EndlessBody", R"({"fault":"endless"})", Outcome::Either},
    {"BodyLongerThanTheRange", R"({"fault":"overlong"})", Outcome::Either},
    // No length request is made: the file's first answer tells its length.
    {"PackedFileLongerThanAnnounced", R"({"fault":"head-length","length":1000})", Outcome::Installed},
    {"HugeHeaders", R"({"fault":"huge-headers"})", Outcome::Failed},
    {"RedirectIsFollowed", R"({"fault":"redirect","location":"/moved/data.pak.kdz"})", Outcome::Installed},
    // A file of this size comes in one answer; a file that changes between the ranges of a
    // larger one fails its digest like any damaged file.
    {"FileChangedBetweenSegments", R"({"fault":"changed","later-ranges":true,"alternate":"@other"})",
     Outcome::Installed},
};

} // namespace

class ServerAnswerTest : public HardeningFixture, public ::testing::WithParamInterface<Row> {};

TEST_P(ServerAnswerTest, EndsWithTheFileInstalledOrFailedAndNeverRecordsAWrongOne) {
    const Row& row = GetParam();
    QByteArray ruleText(row.rule);
    const QString other = m_root.filePath(QStringLiteral("other.kdz"));
    ASSERT_TRUE(UpdateServerFolder::packFile(QStringLiteral("data.pak"), noise(300000, 2), other));
    ruleText.replace("@other", other.toUtf8());
    QJsonObject rules;
    rules[QLatin1String(kPacked)] = QJsonDocument::fromJson(ruleText).object();
    serve(clientFiles(), rules);
    const bool redirect = QByteArray(row.name) == "RedirectIsFollowed";
    if (redirect) {
        ASSERT_TRUE(QDir().mkpath(serverFile(QStringLiteral("moved"))));
        ASSERT_TRUE(QFile::copy(serverFile(QStringLiteral("system/data.pak.kdz")),
                                serverFile(QStringLiteral("moved/data.pak.kdz"))));
    }

    const Run result = runChecked();
    const bool installed = readClient(QStringLiteral("system/data.pak")) == noise(300000);
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
    if (row.outcome == Outcome::Installed || (row.outcome == Outcome::Either && result.exitCode == 0)) {
        EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
        EXPECT_TRUE(installed);
        EXPECT_TRUE(result.output.contains("Update done")) << result.output.toStdString();
        EXPECT_TRUE(oldListNames().contains(QStringLiteral("system/data.pak")));
    } else {
        EXPECT_EQ(result.exitCode, 1) << result.output.toStdString();
        EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("system/data.pak"))));
        EXPECT_FALSE(oldListNames().contains(QStringLiteral("system/data.pak")));
    }
    EXPECT_TRUE(leftovers(m_client).isEmpty()) << leftovers(m_client).join(u' ').toStdString();
    if (redirect) {
        EXPECT_TRUE(m_bad->gets().contains(QStringLiteral("/moved/data.pak.kdz")));
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, ServerAnswerTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace kaldoria::hardening
