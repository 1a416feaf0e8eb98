#include "app/TerminalView.h"

#include <QByteArray>

#include <cstdio>
#include <gtest/gtest.h>

using kaldoria::app::TerminalView;

namespace {

QByteArray contentOf(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    QByteArray bytes;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, static_cast<qsizetype>(n));
    return bytes;
}

} // namespace

TEST(TerminalViewTest, PlainLinesWhenTheOutputIsNotATerminal) {
    std::FILE* out = std::tmpfile();
    {
        TerminalView view(out);
        view.setStatusText(QStringLiteral("Fetching the list"));
        view.setStatusText(QStringLiteral("Fetching the list"));
        view.setStepProgress(1, 2);
        view.setFileProgress(512, 1024);
        view.setTotalProgress(1, 4);
        view.setTotalText(QStringLiteral("Total: 50%"));
        view.showMessage(QStringLiteral("No update server"));
    }
    EXPECT_EQ(contentOf(out), QByteArray("Fetching the list\nTotal: 50%\n! No update server\n"));
    std::fclose(out);
}

TEST(TerminalViewTest, ProgressLineShowsBytesRateAndTotal) {
    EXPECT_EQ(TerminalView::progressLine(50, 1536, 3 * 1024 * 1024, 2.5 * 1024 * 1024, 30),
              QStringLiteral("[###############...............]  50%  1.5 KiB / 3.0 MiB  2.5 MiB/s  total 30%"));
    EXPECT_EQ(TerminalView::progressLine(100, 0, 0, 0, -1), QStringLiteral("[##############################] 100%"));
}
