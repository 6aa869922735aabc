#include "platform/StringTable.h"

#include <QStringList>

namespace strovik {

void StringTable::append(const QString& id, const QString& text) {
    const QString folded = id.toCaseFolded();
    if (!firstById_.contains(folded)) firstById_.insert(folded, static_cast<qsizetype>(entries_.size()));
    entries_.emplace_back(id, text);
}

void StringTable::clear() {
    entries_.clear();
    firstById_.clear();
}

QString StringTable::Lookup(const QString& id) const {
    const auto it = firstById_.constFind(id.toCaseFolded());
    return it == firstById_.cend() ? QString() : entries_[static_cast<std::size_t>(*it)].second;
}

QStringList StringTable::lines() const {
    QStringList result;
    result.reserve(size());
    for (const auto& [id, text] : entries_) result.push_back(id + QLatin1Char('=') + text);
    return result;
}

}  // namespace strovik
