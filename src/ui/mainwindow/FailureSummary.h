#pragma once

#include <QString>
#include <QStringList>

namespace kaldoria::mainwindow {

// The client files that an update run could not update, as the window tells the player:
// how many, and the first few by their list names.
class FailureSummary {
public:
    static constexpr int kNamesShown = 3;

    void clear() { m_names.clear(); }
    // A file counts once however often it failed.
    void add(const QString& name);
    bool isEmpty() const { return m_names.isEmpty(); }
    int count() const { return int(m_names.size()); }

    // How many files failed, from the language's text `configured` (an English default when
    // it is empty), and on a second line the first names, with "…" when there are more.
    QString message(const QString& configured) const;
    // The count alone, for a line that has no room for names.
    QString countText(const QString& configured) const;

private:
    QStringList m_names;
};

} // namespace kaldoria::mainwindow
