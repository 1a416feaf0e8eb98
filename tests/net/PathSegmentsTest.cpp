#include "net/PathSegments.h"
#include "net/HttpClient.h"

#include <gtest/gtest.h>

using namespace kaldoria::net;

TEST(PathSegments, EncodesEverySegmentFromItsUtf8Bytes) {
    const struct {
        const char* name;
        const char* path;
    } cases[] = {
        {"system\\data.pak.kdz", "system/data.pak.kdz"},
        {"a b.txt", "a%20b.txt"},
        {"x#y.dat", "x%23y.dat"},
        {"q?.dat", "q%3F.dat"},
        {"100%.dat", "100%25.dat"},
        {"c++.txt", "c%2B%2B.txt"},
        {"Str\xC3\xB6me\\Datei \xC3\xA4.bin", "Str%C3%B6me/Datei%20%C3%A4.bin"},
        {"\xE6\x97\xA5\xE6\x9C\xAC.dat", "%E6%97%A5%E6%9C%AC.dat"},
        {"mixed/sep\\arators", "mixed/sep/arators"},
        {"AZaz09-._~", "AZaz09-._~"},
        {"a;b=c&d,e'f(g)h*i!j$k@l:m", "a%3Bb%3Dc%26d%2Ce%27f%28g%29h%2Ai%21j%24k%40l%3Am"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(encodePathSegments(QString::fromUtf8(c.name)), QString::fromLatin1(c.path)) << c.name;
}

// An encoded name has no "\", "?" or "#" left, so the address goes out as it was built.
TEST(PathSegments, EncodedNameReachesTheRequestWhole) {
    const QString url = QStringLiteral("http://h/base/") + encodePathSegments(QStringLiteral("d?r\\x#y\\z.kdz"));
    EXPECT_EQ(HttpClient::requestUrl(url), QByteArray("http://h/base/d%3Fr/x%23y/z.kdz"));
}
