#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

#include <optional>
#include <utility>

namespace kaldoria::net {

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

    // First offset of a "Content-Range: bytes FIRST-LAST/TOTAL" field; none when absent or
    // malformed.
    std::optional<qint64> contentRangeFirst() const;

private:
    int m_status = 0;
    QList<std::pair<QByteArray, QByteArray>> m_fields;
};

} // namespace kaldoria::net
