#include "net/HttpResponseHead.h"

#include <gtest/gtest.h>

using kaldoria::net::HttpResponseHead;

TEST(HttpResponseHead, ReadsStatusLengthAndRange) {
    HttpResponseHead head;
    for (const char* line : {"HTTP/1.1 100 Continue\r\n", "X-Old: 1\r\n", "HTTP/1.1 206 Partial Content\r\n",
                             "content-length:  99\r\n", "Content-Range: bytes 100-198/1000\r\n"})
        head.addLine(line);
    EXPECT_EQ(head.status(), 206);
    EXPECT_EQ(head.contentLength(), 99);
    EXPECT_EQ(head.contentRange(), (kaldoria::net::ContentRange{100, 198, 1000}));
    head.addLine("Content-Range: bytes 0-9/*");
    EXPECT_EQ(head.contentRange(), (kaldoria::net::ContentRange{100, 198, 1000})); // the first field counts
    EXPECT_TRUE(head.header("x-old").isEmpty()); // fields of the interim answer are gone
}

TEST(HttpResponseHead, RejectsMalformedRangesAndLengths) {
    for (const char* value :
         {"bytes */1000", "bytes 5-4/10", "bytes 0-10/10", "items 0-4/10", "bytes -1-4/10", "bytes 0-4", ""}) {
        HttpResponseHead head;
        head.addLine("HTTP/1.1 206 Partial Content");
        head.addLine(QByteArray("Content-Range: ") + value);
        EXPECT_FALSE(head.contentRange().has_value()) << value;
    }
    for (const char* value : {"-1", "12x", "", "99999999999999999999"}) {
        HttpResponseHead head;
        head.addLine(QByteArray("Content-Length: ") + value);
        EXPECT_EQ(head.contentLength(), -1) << value;
    }
}
