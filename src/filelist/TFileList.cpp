#include "filelist/TFileList.h"

#include "filelist/ListLineFormat.h"
#include "platform/FileSync.h"
#include "platform/NativePath.h"
#include "platform/PlantedLinks.h"
#include "platform/TextCodec.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace kaldoria::filelist {

namespace {

bool keyLess(const QString& a, const QString& b) {
    return QStringView(a).compare(QStringView(b), Qt::CaseSensitive) < 0;
}

const QString& keyOf(const QString& key) {
    return key;
}
template <typename Entry> const QString& keyOf(const Entry& entry) {
    return entry.key;
}

// One order for entries and keys alike, for sorting and for searching.
constexpr auto byKey = [](const auto& a, const auto& b) { return keyLess(keyOf(a), keyOf(b)); };

} // namespace

TFileList::TFileList(bool isSorted) : m_sorted(isSorted) {}

TFileList::~TFileList() {
    Clear();
}

QString TFileList::KeyOf(const QString& name) {
    return platform::TextCodec::trimControls(name).toLower();
}

std::unique_ptr<TFileItem> TFileList::AddItem(const QString& name, std::unique_ptr<TFileItem> item) {
    if (item)
        store(KeyOf(name), item);
    return item;
}

void TFileList::AddItemSimple(const QString& name, const QString& hash, const QString& hashPacked, qint64 size,
                              TDateTime date) {
    if (m_cancel.isCancelled())
        return;
    auto item = std::make_unique<TFileItem>();
    item->Content = TFileRecord{name, hash, hashPacked, size, date};
    store(KeyOf(name), item);
}

void TFileList::Assign(const TFileList& source) {
    if (&source == this)
        return;
    Clear();
    source.settle();
    m_entries.reserve(source.m_entries.size());
    for (const Entry& entry : source.m_entries)
        m_entries.push_back(Entry{entry.key, std::make_unique<TFileItem>(*entry.item)});
    if (!m_sorted)
        return;
    // Order all at once (a sorted source already is), then keep the first entry of each key.
    if (!source.m_sorted) {
        std::stable_sort(m_entries.begin(), m_entries.end(), byKey);
    }
    const auto sameKey = [](const Entry& a, const Entry& b) { return a.key == b.key; };
    m_entries.erase(std::unique(m_entries.begin(), m_entries.end(), sameKey), m_entries.end());
    m_ordered = m_entries.size();
}

void TFileList::AddItemEmpty(const QString& name) {
    AddItemSimple(name, ZeroDigest(), ZeroDigest(), 0, 0);
}

void TFileList::store(QString key, std::unique_ptr<TFileItem>& item) {
    if (!m_sorted) {
        m_entries.push_back(Entry{std::move(key), std::move(item)});
        return;
    }
    if (m_pendingKeys.contains(key))
        return;
    const auto orderedEnd = m_entries.begin() + qsizetype(m_ordered);
    const auto at = std::lower_bound(m_entries.begin(), orderedEnd, key, byKey);
    if (at != orderedEnd && at->key == key)
        return;
    // A key that belongs at or near the end (lists written in key order, results that finish
    // almost in key order) goes straight to its place; others wait to be merged in.
    constexpr qsizetype nearEnd = 64;
    if (m_pendingKeys.isEmpty() && orderedEnd - at <= nearEnd) {
        m_entries.insert(at, Entry{std::move(key), std::move(item)});
        ++m_ordered;
        return;
    }
    m_pendingKeys.insert(key);
    m_entries.push_back(Entry{std::move(key), std::move(item)});
}

void TFileList::settle() const {
    if (!m_sorted || m_ordered == m_entries.size())
        return;
    const auto middle = m_entries.begin() + qsizetype(m_ordered);
    std::stable_sort(middle, m_entries.end(), byKey);
    std::inplace_merge(m_entries.begin(), middle, m_entries.end(), byKey);
    m_ordered = m_entries.size();
    m_pendingKeys.clear();
}

int TFileList::find(const QString& key) const {
    settle();
    if (m_sorted) {
        const auto it = std::lower_bound(m_entries.begin(), m_entries.end(), key, byKey);
        return it != m_entries.end() && it->key == key ? int(it - m_entries.begin()) : -1;
    }
    const auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.key == key; });
    return it != m_entries.end() ? int(it - m_entries.begin()) : -1;
}

int TFileList::GetId(const QString& name) const {
    return find(KeyOf(name));
}

TFileItem* TFileList::GetItemByName(const QString& name) const {
    return GetItemByID(GetId(name));
}

TFileItem* TFileList::GetItemByID(int id) const {
    if (id < 0 || id >= Count())
        return nullptr;
    settle();
    return m_entries[std::size_t(id)].item.get();
}

QString TFileList::Key(int id) const {
    if (id < 0 || id >= Count())
        return {};
    settle();
    return m_entries[std::size_t(id)].key;
}

void TFileList::DeleteById(int id) {
    if (id < 0 || id >= Count())
        return;
    settle();
    m_entries.erase(m_entries.begin() + id);
    if (m_sorted)
        m_ordered = m_entries.size();
}

void TFileList::DeleteByName(const QString& name) {
    const int id = GetId(name);
    if (id >= 0)
        DeleteById(id);
}

void TFileList::Clear() {
    m_entries.clear();
    m_ordered = 0;
    m_pendingKeys.clear();
}

int TFileList::Count() const {
    return int(m_entries.size());
}

void TFileList::SetSorted(bool sort) {
    if (sort == m_sorted)
        return;
    settle(); // the present order of a sorted list is its key order
    m_sorted = sort;
    m_ordered = 0;
    m_pendingKeys.clear();
    if (!sort)
        return;
    // Repeated keys from the unsorted time stay; sorting is stable, so the first stays first.
    std::stable_sort(m_entries.begin(), m_entries.end(), byKey);
    m_ordered = m_entries.size();
}

void TFileList::SwapItems(int id1, int id2) {
    if (m_sorted || id1 < 0 || id2 < 0 || id1 >= Count() || id2 >= Count())
        return;
    std::swap(m_entries[std::size_t(id1)], m_entries[std::size_t(id2)]);
}

Status TFileList::LoadFromStrings(const QStringList& source) {
    Clear();
    for (const QString& line : source) {
        ListLineFormat::Parsed parsed = ListLineFormat::parse(line);
        if (!parsed.error.isEmpty())
            return Status::failure(parsed.error);
        const TFileRecord& r = parsed.record;
        AddItemSimple(r.Name, r.Hash, r.HashPacked, r.Size, r.Date);
    }
    return Status::success();
}

Status TFileList::LoadFromFile(const QString& filename) {
    QFile file(platform::nativePath(filename));
    if (!file.open(QIODevice::ReadOnly))
        return Status::failure(QStringLiteral("Cannot open file %1").arg(filename));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Status::failure(QStringLiteral("Cannot read file %1").arg(filename));
    return LoadFromStrings(platform::TextCodec::decodeLines(bytes));
}

void TFileList::SaveToStrings(QStringList* target) const {
    if (!target)
        return;
    settle();
    target->clear();
    target->reserve(qsizetype(m_entries.size()));
    for (const Entry& entry : m_entries)
        target->append(ListLineFormat::format(entry.item->Content));
}

Status TFileList::SaveToFile(const QString& filename) const {
    QStringList lines;
    SaveToStrings(&lines);
    // QSaveFile writes through a symbolic link; a link planted at the list's name goes first.
    platform::PlantedLinks::removeLink(platform::nativePath(filename));
    QSaveFile file(platform::nativePath(filename));
    // Unbuffered: a failed write (a full disk) must fail commit(), which a failed flush of
    // buffered data does not.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Status::failure(QStringLiteral("Cannot create file %1").arg(filename));
    file.write(platform::TextCodec::encodeLines(lines));
    if (!platform::commitToDisk(file))
        return Status::failure(QStringLiteral("Cannot write file %1").arg(filename));
    return Status::success();
}

} // namespace kaldoria::filelist
