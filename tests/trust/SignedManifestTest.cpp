#include <trust/SignedManifest.h>

#include "NewSigningKey.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <span>

using namespace kaldoria::trust;

namespace {

// A text the reader must refuse, and a part of the reason it must give.
struct Refusal {
    const char* what;
    QByteArray bytes;
    const char* reason;
};

void expectRefused(std::span<const Refusal> cases) {
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.what);
        const Result<ParsedManifest> parsed = SignedManifest::parse(c.bytes);
        ASSERT_FALSE(parsed.ok());
        EXPECT_TRUE(parsed.error().contains(QLatin1String(c.reason))) << parsed.error().toStdString();
    }
}

// `text` with `line` put in front of the first `before` in it.
QByteArray withBefore(QByteArray text, const QByteArray& before, const QByteArray& line) {
    return text.insert(text.indexOf(before), line);
}

class SignedManifestTest : public ::testing::Test {
protected:
    SignedManifestTest() : key(newSigningKey()), other(newSigningKey()) {
        data.serial = 1718000000;
        data.expires = 1720592000;
        data.list = Sha256::of("list");
        data.files = {{QStringLiteral("\\kd.ini"), Sha256::of("packed ini"), Sha256::of("ini"), std::nullopt},
                      {QStringLiteral("\\Data2\\Mixed Case \u00e9.txt"), Sha256::of("packed txt"), Sha256::of("txt"),
                       std::nullopt}};
        data.nextKeys = {other.publicKey()};
    }

    QByteArray signedText() const {
        const Result<QByteArray> text = SignedManifest::serialize(data, key);
        EXPECT_TRUE(text.ok()) << text.error().toStdString();
        return text.ok() ? text.value() : QByteArray();
    }

    SigningKey key;
    SigningKey other;
    ManifestData data;
};

TEST_F(SignedManifestTest, WhatIsWrittenReadsBackAndVerifiesWithItsKey) {
    const QByteArray text = signedText();
    EXPECT_TRUE(text.startsWith("kaldoria-manifest 1\nserial 1718000000\nexpires 1720592000\nlist "));
    const Result<ParsedManifest> parsed = SignedManifest::parse(text);
    ASSERT_TRUE(parsed.ok()) << parsed.error().toStdString();
    EXPECT_EQ(parsed.value().data, data);
    EXPECT_EQ(parsed.value().signer, key.publicKey());
    EXPECT_EQ(parsed.value().signedBytes, text.left(text.lastIndexOf("signature ")));

    EXPECT_EQ(SignedManifest::verify(parsed.value(), {key.publicKey()}), QString());
    EXPECT_EQ(SignedManifest::verify(parsed.value(), {other.publicKey(), key.publicKey()}), QString());
    EXPECT_TRUE(SignedManifest::verify(parsed.value(), {other.publicKey()}).contains(QStringLiteral("not trusted")));
    EXPECT_TRUE(SignedManifest::verify(parsed.value(), {}).contains(QStringLiteral("not trusted")));

    // Names are found the way file lists find them.
    const QHash<QString, ManifestFile> byName = parsed.value().data.filesByName();
    const QString asListed = ManifestData::nameKey(QStringLiteral(" \\DATA2\\mixed case \u00c9.TXT"));
    ASSERT_TRUE(byName.contains(asListed));
    EXPECT_EQ(byName[asListed].unpacked, Sha256::of("txt"));
}

TEST_F(SignedManifestTest, AnyChangeToTheSignedBytesBreaksTheSignature) {
    const QByteArray text = signedText();
    const QByteArray otherSigner = "signer " + other.publicKey().raw().toBase64() + '\n';
    const struct {
        const char* what;
        QByteArray changed;
    } cases[] = {
        {"serial", QByteArray(text).replace("serial 1718000000", "serial 1718000001")},
        {"digest", QByteArray(text).replace(toHex(Sha256::of("ini")).toLatin1(), toHex(Sha256::of("evil")).toLatin1())},
        {"file dropped", QByteArray(text).remove(text.indexOf("file "), text.indexOf('\n', text.indexOf("file ")) + 1 -
                                                                            text.indexOf("file "))},
        {"signer claimed to be another trusted key",
         QByteArray(text).replace(text.indexOf("signer "), text.indexOf("signature ") - text.indexOf("signer "),
                                  otherSigner)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(c.changed, text);
        const Result<ParsedManifest> parsed = SignedManifest::parse(c.changed);
        ASSERT_TRUE(parsed.ok()) << parsed.error().toStdString();
        EXPECT_TRUE(SignedManifest::verify(parsed.value(), {key.publicKey(), other.publicKey()})
                        .contains(QStringLiteral("does not match")));
    }
}

TEST_F(SignedManifestTest, MalformedManifestsAreRefusedWithTheReason) {
    const QByteArray text = signedText();
    const QByteArray digest = toHex(Sha256::of("list")).toLatin1();
    const qsizetype signatureAt = text.indexOf("signature ");
    const QByteArray head = text.left(signatureAt);
    const QByteArray signatureLine = text.mid(signatureAt);
    const QByteArray fileLine = "file " + digest + ' ' + digest + ' ';
    const Refusal cases[] = {
        {"empty", "", "empty"},
        {"no line end at the end", text.chopped(1), "line 9: no line end"},
        {"CR LF line ends", QByteArray(text).replace("\n", "\r\n"), "line 1: a control character"},
        {"unknown keyword", withBefore(text, "list ", "colour red\n"), "line 4: unknown keyword 'colour'"},
        {"keyword without value", withBefore(text, "list ", "serial\n"), "without a value"},
        {"second serial", withBefore(text, "expires ", "serial 1\n"), "a second serial line"},
        {"expires missing", QByteArray(text).replace("expires 1720592000\n", ""), "expires line is missing"},
        {"list before expires",
         QByteArray(text)
             .replace("expires 1720592000\n", "")
             .replace("list " + digest + '\n', "list " + digest + "\nexpires 5\n"),
         "missing"},
        {"serial after a file", withBefore(text, "next-key ", "serial 7\n"), "serial out of place"},
        {"not starting with the header", text.mid(text.indexOf('\n') + 1), "must start with its header"},
        {"another format version", QByteArray(text).replace("kaldoria-manifest 1", "kaldoria-manifest 3"),
         "format version '3'"},
        {"upper-case digest", QByteArray(text).replace("list " + digest, "list " + digest.toUpper()), "digest"},
        {"short digest", QByteArray(text).replace("list " + digest, "list " + digest.chopped(2)), "digest"},
        {"leading zero", QByteArray(text).replace("serial 1718000000", "serial 01718000000"), "decimal"},
        {"sign", QByteArray(text).replace("serial 1718000000", "serial +1718000000"), "decimal"},
        {"too many digits", QByteArray(text).replace("serial 1718000000", "serial 1234567890123456789"), "decimal"},
        {"two spaces", QByteArray(text).replace("serial 1718000000", "serial  1718000000"), "decimal"},
        {"file without a name", withBefore(text, "next-key ", fileLine.chopped(1) + '\n'), "two digests and a name"},
        {"blank name", withBefore(text, "next-key ", fileLine + "  \n"), "cannot hold"},
        {"name with the list's separator", withBefore(text, "next-key ", fileLine + "\\a|b\n"), "cannot hold"},
        {"name that is not UTF-8", withBefore(text, "next-key ", fileLine + "\\a\xff\xfe\n"), "not UTF-8"},
        {"name given twice in another case", withBefore(text, "next-key ", fileLine + "\\KD.INI\n"), "named twice"},
        {"next key twice", withBefore(text, "signer ", "next-key " + other.publicKey().raw().toBase64() + '\n'),
         "next key given twice"},
        {"key of the wrong length", withBefore(text, "signer ", "next-key " + QByteArray(31, 'k').toBase64() + '\n'),
         "32 bytes"},
        {"base64 without its padding",
         withBefore(text, "signer ", "next-key " + QByteArray(32, 'k').toBase64(QByteArray::OmitTrailingEquals) + '\n'),
         "not a key in base64"},
        // The same 32 bytes as "a2tr...a2s=", with the unused low bits of the last digit set.
        {"base64 not in its one spelling",
         withBefore(text, "signer ", "next-key " + QByteArray(32, 'k').toBase64().replace("a2s=", "a2t=") + '\n'),
         "not a key in base64"},
        {"signature missing", head, "signature line is missing"},
        {"signer missing", QByteArray(text).remove(text.indexOf("signer "), signatureAt - text.indexOf("signer ")),
         "signer line is missing"},
        {"short signature", head + "signature " + QByteArray(63, 's').toBase64() + '\n', "64-byte signature"},
        {"signature not base64", head + "signature !!!!\n", "64-byte signature"},
        {"text after the signature", text + "file x\n", "nothing may follow the signature"},
        {"blank line after the signature", text + '\n', "line 10"},
        {"line too long", withBefore(text, "next-key ", fileLine + '\\' + QByteArray(4000, 'n') + '\n'), "longer than"},
        {"too large", text + QByteArray(32 * 1024 * 1024, '\n'), "larger than"},
    };
    ASSERT_NO_FATAL_FAILURE(expectRefused(cases));
    // The lines that may repeat or be absent: no file, no next key.
    data.files.clear();
    data.nextKeys.clear();
    EXPECT_TRUE(SignedManifest::parse(signedText()).ok());
}

TEST_F(SignedManifestTest, ChunkIndexesNeedTheSecondVersionAndAFileOfTheirName) {
    data.files[1].index = Sha256::of("index");
    const QByteArray text = signedText();
    const QByteArray indexLine = "index " + toHex(Sha256::of("index")).toLatin1() + " " + data.files[1].name.toUtf8();
    EXPECT_TRUE(text.startsWith("kaldoria-manifest 2\n"));
    EXPECT_TRUE(text.contains(indexLine + "\nnext-key ")) << text.toStdString();
    const Result<ParsedManifest> parsed = SignedManifest::parse(text);
    ASSERT_TRUE(parsed.ok()) << parsed.error().toStdString();
    EXPECT_EQ(parsed.value().data, data);
    EXPECT_FALSE(parsed.value().data.files[0].index);

    const QByteArray indexOf = "index " + toHex(Sha256::of("other")).toLatin1() + ' ';
    const Refusal cases[] = {
        {"index in the first version", QByteArray(text).replace("kaldoria-manifest 2", "kaldoria-manifest 1"),
         "line 7: index lines need format version 2"},
        {"index of a name no file line gives", withBefore(text, "next-key ", indexOf + "\\data\\x.dat\n"),
         "line 8: an index of \\data\\x.dat, which no file line names"},
        {"second index of a file", withBefore(text, "next-key ", indexOf + "\\KD.INI\n" + indexOf + "\\kd.ini\n"),
         "line 9: a second index of \\kd.ini"},
        {"index before the file lines", withBefore(text, "file ", indexOf + "\\kd.ini\n"), "line 5: an index of"},
        {"file after an index",
         withBefore(text, "next-key ",
                    "file " + toHex(Sha256::of("x")).toLatin1() + ' ' + toHex(Sha256::of("y")).toLatin1() + " \\new\n"),
         "line 8: file out of place"},
        {"index after a next key", withBefore(text, "signer ", indexOf + "\\kd.ini\n"), "line 9: index out of place"},
        {"index without a name", withBefore(text, "next-key ", indexOf.chopped(1) + '\n'), "a digest and a name"},
        {"index with a short digest", withBefore(text, "next-key ", "index abc \\kd.ini\n"), "a digest and a name"},
    };
    expectRefused(cases);
}

TEST_F(SignedManifestTest, DataTheReaderWouldRefuseIsNotWritten) {
    const struct {
        const char* what;
        ManifestFile extra;
        qint64 serial;
    } cases[] = {
        {"line end in a name", {QStringLiteral("\\a\nb"), {}, {}, {}}, 1},
        {"separator in a name", {QStringLiteral("\\a|b"), {}, {}, {}}, 1},
        {"blank name", {QStringLiteral(" "), {}, {}, {}}, 1},
        {"name twice", {QStringLiteral("\\KD.ini"), {}, {}, {}}, 1},
        {"name too long for a line", {QLatin1Char('\\') + QString(4000, QLatin1Char('n')), {}, {}, {}}, 1},
        {"negative serial", {QStringLiteral("\\fine"), {}, {}, {}}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ManifestData changed = data;
        changed.files.push_back(c.extra);
        changed.serial = c.serial;
        EXPECT_FALSE(SignedManifest::serialize(changed, key).ok());
    }
}

} // namespace
