#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

#include <optional>
#include <utility>

namespace kaldoria::net {

// The bytes an answer carries and the length of the whole file; `total` is -1 when the
// server does not say.
struct ContentRange {
    qint64 first = 0;
    qint64 last = 0;
    qint64 total = -1;
    bool operator==(const ContentRange&) const = default;
};

// The status and header fields of one HTTP answer, as its header lines arrive.
class HttpResponseHead {
public:
    // Takes one raw header line with or without its line end. A status line starts a new
    // answer (an interim 1xx answer is followed by the real one).
    void addLine(QByteArrayView line);

    int status() const { return m_status; }

    // The value of the first field called `name` (compared without case), trimmed; empty
    // when there is none.
    QByteArray header(QByteArrayView name) const;

    // Content-Length; -1 when it is absent or not a number.
    qint64 contentLength() const;

    // A "Content-Range: bytes FIRST-LAST/TOTAL" field (TOTAL may be "*"); none when absent or
    // malformed, or when LAST lies before FIRST or not before TOTAL.
    std::optional<ContentRange> contentRange() const;

private:
    int m_status = 0;
    QList<std::pair<QByteArray, QByteArray>> m_fields;
};

} // namespace kaldoria::net
