#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace kaldoria::platform {

// Named raw-data resources carried by a program file. They are appended behind the
// program proper, followed by a table (name, offset, size) and a fixed trailer, so the
// program still runs and a tool can replace them without knowing the executable format.
struct Resource {
    QString name;
    QByteArray data;
};

class ProgramResources {
public:
    // The bytes of resource `name` of the program file at `programPath`, or nothing when
    // the file carries no such resource or its resource table is damaged.
    static std::optional<QByteArray> read(const QString& programPath, const QString& name);

    // The same for the running program's own file.
    static std::optional<QByteArray> readOwn(const QString& name);

    // Every resource of the file, in table order; empty when it carries none.
    static std::optional<QList<Resource>> readAll(const QString& programPath);

    // The program proper: the file's bytes without any appended resources.
    static QByteArray stripResources(const QByteArray& fileBytes);

    // `program` (without resources) followed by `resources` and their table.
    static QByteArray appendResources(const QByteArray& program, const QList<Resource>& resources);

    // The path of the running program's file.
    static QString ownProgramPath();
};

} // namespace kaldoria::platform
