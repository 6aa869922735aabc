#pragma once

#include <QHash>
#include <QString>

#include <utility>
#include <vector>

namespace strovik {

// The process-wide list of caption and message texts, each an ID (a decimal number written as text)
// and its text. Filled once while the main window is created and read-only afterwards, so every
// thread may read it once it has been handed out.
class StringTable final {
public:
    // Appends "id=text"; a later entry with the same ID is kept but never found by Lookup.
    void append(const QString& id, const QString& text);
    void clear();

    // The text of the first entry whose ID equals id without regard to letter case; empty if none.
    QString Lookup(const QString& id) const;
    QString Lookup(int id) const { return Lookup(QString::number(id)); }

    qsizetype size() const { return static_cast<qsizetype>(entries_.size()); }
    // The entries as "ID=text" lines, in order.
    QStringList lines() const;

private:
    std::vector<std::pair<QString, QString>> entries_;
    QHash<QString, qsizetype> firstById_;  // case-folded ID -> first entry
};

}  // namespace strovik
