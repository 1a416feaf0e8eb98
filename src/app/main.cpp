#include <QCoreApplication>
#include <QTextStream>

// Program entry. The start-up sequence lands here as the libraries below it are built.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kaldoria"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KALDORIA_VERSION));
    const QStringList args = QCoreApplication::arguments();
    if (args.contains(QStringLiteral("--version"))) {
        QTextStream(stdout) << "Kaldoria " << KALDORIA_VERSION << "\n";
        return 0;
    }
    QTextStream(stdout) << "Usage: Kaldoria [-debug | filemode=FOLDER] [--headless] [--check-all] [--start-game]\n";
    return 0;
}
