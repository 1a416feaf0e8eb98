#include "CommandArguments.h"
#include "CommandReport.h"
#include "OutputFile.h"
#include "PackCommands.h"

#include "platform/ProgramResources.h"
#include "update/signing/TrustResource.h"

#include <QFileInfo>

namespace kaldoria::pack {

using platform::ProgramResources;
using platform::Resource;

namespace {
constexpr char kUsage[] =
    "Usage: kaldoria-pack attach PROGRAM -o OUT --resource NAME=FILE [--resource NAME=FILE ...]\n\n"
    "Writes a copy of PROGRAM carrying the given resources (the launcher reads its\n"
    "configuration package from resource 'blank'). Resources of the same name are\n"
    "replaced, other resources PROGRAM already carries are kept. OUT keeps PROGRAM's\n"
    "permissions, including the executable bit; OUT may be PROGRAM itself.\n\n"
    "Resource 'trust' makes a launcher that takes only signed updates: FILE holds one or\n"
    "more public keys from 'kaldoria-pack keygen' (NAME.pub files joined, e.g. with cat);\n"
    "the launcher refuses any update not signed by one of them.\n";
constexpr int kMaxNameBytes = 1024;
} // namespace

int runAttach(const QStringList& args) {
    CommandArguments parsed = CommandArguments::parse(args, {u"-o"_qs, u"--resource"_qs});
    if (parsed.help)
        return commandUsage(kUsage);
    const QString output = parsed.required(u"-o"_qs);
    if (parsed.error.isEmpty() && parsed.positional.size() != 1)
        parsed.error = u"give exactly one PROGRAM file"_qs;
    if (parsed.error.isEmpty() && !parsed.options.contains(u"--resource"_qs))
        parsed.error = u"give at least one --resource NAME=FILE"_qs;
    if (!parsed.error.isEmpty())
        return commandFailed("attach", parsed.error + u"\n\n"_qs + QString::fromLatin1(kUsage));

    const QString program = parsed.positional.first();
    QString error;
    const auto programBytes = readInputFile(program, error);
    if (!programBytes)
        return commandFailed("attach", error);
    const auto existing = ProgramResources::readAll(program);
    if (!existing)
        return commandFailed("attach", u"%1: cannot read its resources"_qs.arg(program));

    QList<Resource> resources = *existing;
    QStringList added;
    // QMultiMap gives the values of one key newest first; attach in the order given.
    QStringList options = parsed.options.values(u"--resource"_qs);
    std::reverse(options.begin(), options.end());
    for (const QString& option : options) {
        const qsizetype eq = option.indexOf(u'=');
        const QString name = option.left(eq);
        if (eq <= 0 || eq == option.size() - 1)
            return commandFailed("attach", u"--resource %1: expected NAME=FILE"_qs.arg(option));
        if (name.toUtf8().size() > kMaxNameBytes)
            return commandFailed("attach", u"--resource %1: the name is too long"_qs.arg(option));
        if (added.contains(name))
            return commandFailed("attach", u"resource %1 given more than once"_qs.arg(name));
        added.append(name);
        const auto data = readInputFile(option.mid(eq + 1), error);
        if (!data)
            return commandFailed("attach", error);
        // A launcher with keys it cannot read would refuse every update.
        if (name == QLatin1String(update::TrustResource::kName)) {
            if (const auto keys = update::TrustResource::parse(*data); !keys.ok())
                return commandFailed("attach", option.mid(eq + 1) + u": "_qs + keys.error());
        }
        const auto same =
            std::find_if(resources.begin(), resources.end(), [&](const Resource& r) { return r.name == name; });
        if (same != resources.end())
            same->data = *data;
        else
            resources.append({name, *data});
    }

    const QByteArray out =
        ProgramResources::appendResources(ProgramResources::stripResources(*programBytes), resources);
    error = writeOutputFile(output, out, QFileInfo(program).permissions());
    return error.isEmpty() ? 0 : commandFailed("attach", error);
}

} // namespace kaldoria::pack
