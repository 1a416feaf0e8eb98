#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace kaldoria::startup {

// A name with an ordered list of strings, each of which may own an attached collection.
// The language table is one: its entries are the language ids, each owning the collection
// of that language (display name in Item, the language's lines in List).
class tMyCollection {
public:
    struct Entry {
        QString text;
        std::unique_ptr<tMyCollection> object;
    };

    QString Item;
    std::vector<Entry> List;
};

} // namespace kaldoria::startup
