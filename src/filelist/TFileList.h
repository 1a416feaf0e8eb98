#pragma once

#include "filelist/Status.h"
#include "filelist/TFileItem.h"
#include "filelist/TFileRecord.h"

#include "platform/CancelToken.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace kaldoria::filelist {

// A list of file entries keyed by name, as the update workflow keeps them, and its text form.
//
// An entry's key is its name with blanks and control characters cut from both ends, then
// lower-cased; every operation that takes a name looks it up by that key. A sorted list
// keeps its entries in key order (plain code-unit order of the lower-cased keys, the same for
// sorting and searching, so the order does not depend on the user's locale) and holds each
// key once; an unsorted list keeps the order of adding and allows repeated keys (the first
// one is found). The list owns its items. Used on the user-interface thread only.
class TFileList {
public:
    explicit TFileList(bool isSorted);
    ~TFileList();
    TFileList(const TFileList&) = delete;
    TFileList& operator=(const TFileList&) = delete;

    // Stores `item` under the key of `name` and takes it. A sorted list that already holds
    // the key refuses it: the item is then handed back, as is a null item.
    std::unique_ptr<TFileItem> AddItem(const QString& name, std::unique_ptr<TFileItem> item);

    // Adds an entry holding exactly these values. Does nothing once the list's cancel token
    // is cancelled, or in a sorted list that already holds the key.
    void AddItemSimple(const QString& name, const QString& hash, const QString& hashPacked, qint64 size,
                       TDateTime date);

    // AddItemSimple with zero digests, size 0 and date 0.
    void AddItemEmpty(const QString& name);

    // Clear, then a copy of every entry of `source` in its order (same keys, new items); a
    // sorted list keeps the first entry of each key.
    void Assign(const TFileList& source);

    // Index of the (first) entry with the key of `name`, or -1.
    int GetId(const QString& name) const;
    TFileItem* GetItemByName(const QString& name) const;
    TFileItem* GetItemByID(int id) const; // null when `id` is out of range

    // The key stored for the entry at `id` (empty when out of range).
    QString Key(int id) const;

    void DeleteById(int id); // nothing when `id` is out of range
    void DeleteByName(const QString& name);
    void Clear();
    int Count() const;

    bool Sorted() const { return m_sorted; }
    // To sorted: the present entries are put in key order (repeated keys stay). To unsorted:
    // the present order is kept.
    void SetSorted(bool sort);

    // Exchanges two entries of an unsorted list; nothing in a sorted list or out of range.
    void SwapItems(int id1, int id2);

    // The token after whose cancelling AddItemSimple adds nothing: the work that fills the
    // list has been given up. By default one that is never cancelled.
    void setCancelToken(platform::CancelToken cancel) { m_cancel = std::move(cancel); }

    // Clears the list, then adds one entry per line. A date field that is not a valid date and
    // time stops the reading with its error; the entries of the lines before it stay.
    Status LoadFromStrings(const QStringList& source);

    // Reads the text file (byte-order mark or system code page; any line end), then
    // LoadFromStrings. A file that cannot be read leaves the list as it was. `filename` may
    // use "\" as separator.
    Status LoadFromFile(const QString& filename);

    // One line per entry, in list order, replacing the content of `target` (when given).
    void SaveToStrings(QStringList* target) const;

    // Writes the lines in the system code page, each ended by CR LF, to a temporary file in
    // the same folder and renames it over `filename`: an old file stays whole when writing fails.
    Status SaveToFile(const QString& filename) const;

    // The key of a name: trimmed of blanks and control characters, lower-cased.
    static QString KeyOf(const QString& name);

private:
    struct Entry {
        QString key;
        std::unique_ptr<TFileItem> item;
    };

    // Takes `item` under `key`, unless a sorted list holds the key (`item` then stays).
    void store(QString key, std::unique_ptr<TFileItem>& item);
    int find(const QString& key) const;
    // Puts entries added to a sorted list since the last lookup by position into key order.
    void settle() const;

    bool m_sorted;
    // A sorted list appends new entries behind its ordered part and remembers their keys;
    // they are merged in when an index or the order is needed, so loading a large list in
    // any order costs n log n rather than n squared.
    mutable std::vector<Entry> m_entries;
    mutable std::size_t m_ordered = 0;
    mutable QSet<QString> m_pendingKeys;
    platform::CancelToken m_cancel;
};

} // namespace kaldoria::filelist
