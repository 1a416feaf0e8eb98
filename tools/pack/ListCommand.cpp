#include "CommandArguments.h"
#include "CommandReport.h"
#include "PackCommands.h"

#include "platform/ProgramResources.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace kaldoria::pack {

namespace {
constexpr char kUsage[] = "Usage: kaldoria-pack list PROGRAM\n\n"
                          "Prints the resources PROGRAM carries, one per line: name, a tab, size in bytes.\n"
                          "Fails when PROGRAM carries none.\n";

// Whether a file starts like a program: an ELF or Windows executable, or a script.
bool looksLikeProgram(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(4);
    return start.startsWith("\x7f"
                            "ELF") ||
           start.startsWith("MZ") || start.startsWith("#!");
}
} // namespace

int runList(const QStringList& args) {
    CommandArguments parsed = CommandArguments::parse(args, {});
    if (parsed.help)
        return commandUsage(kUsage);
    if (parsed.error.isEmpty() && parsed.positional.size() != 1)
        parsed.error = u"give exactly one PROGRAM file"_qs;
    if (!parsed.error.isEmpty())
        return commandFailed("list", parsed.error + u"\n\n"_qs + QString::fromLatin1(kUsage));

    const QString program = parsed.positional.first();
    if (!QFileInfo(program).isFile())
        return commandFailed("list", u"%1: no such file"_qs.arg(program));
    const auto resources = platform::ProgramResources::readAll(program);
    if (!resources)
        return commandFailed("list", u"%1: cannot read its resources"_qs.arg(program));
    if (resources->isEmpty()) {
        return commandFailed("list", looksLikeProgram(program)
                                         ? u"%1 carries no resources"_qs.arg(program)
                                         : u"%1 is not a program file and carries no resources"_qs.arg(program));
    }
    QTextStream out(stdout);
    for (const platform::Resource& r : *resources)
        out << r.name << '\t' << r.data.size() << '\n';
    return 0;
}

} // namespace kaldoria::pack
