#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace strovik {

// An INI file with the profile-string rules the program's settings, device list, login history and
// language files are written in:
//  - a line "[name]" opens a section; "key=value" lines hold values; anything else is kept as it
//    stands when the file is written back and is otherwise skipped;
//  - section and key names compare without regard to letter case; when a name occurs twice, the
//    first occurrence answers reads and takes writes;
//  - values are read with surrounding blanks removed; integers are decimal or "0x" + hex digits,
//    and a value that does not parse gives the caller's default;
//  - writing a key creates a missing section at the end of the file and a missing key at the end of
//    its section, and otherwise replaces the value in place.
// Every operation is O(1) amortised apart from load and save, which are linear in the file size.
// Files that are not valid UTF-8 are read as GBK; a CRLF file is written back with CRLF.
// Not thread-safe: one owner at a time.
class IniFile final {
public:
    // Who may read the file once saved. OwnerOnly files (they hold passwords) are written 0600
    // from the first byte and narrowed to it when an older copy had wider rights.
    enum class FileAccess { AsBefore, OwnerOnly };

    IniFile();
    ~IniFile();
    IniFile(IniFile&&) noexcept;
    IniFile& operator=(IniFile&&) noexcept;
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // Reads path. A missing file is an empty INI (no error); an unreadable one is empty as well,
    // with errorString() telling why. Files above maxFileBytes are refused the same way.
    static IniFile load(const QString& path);
    static IniFile parse(const QByteArray& bytes);
    // The form in which two section or key names are the same name to this file.
    static QString foldedName(const QString& name);

    static constexpr qint64 maxFileBytes = 64LL * 1024 * 1024;

    QString path() const { return path_; }
    QString errorString() const { return error_; }
    bool fileExisted() const { return fileExisted_; }

    // Section names in file order, duplicates included (as the profile functions list them).
    QStringList sectionNames() const;
    bool hasSection(const QString& section) const;
    // Keys of the first section of that name, in file order.
    QStringList keys(const QString& section) const;
    // Every key=value line of the first section of that name, in file order, duplicates included.
    std::vector<std::pair<QString, QString>> entries(const QString& section) const;

    std::optional<QString> value(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& defaultValue) const;
    qint64 readInt(const QString& section, const QString& key, qint64 defaultValue) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInt(const QString& section, const QString& key, qint64 value);
    // Removes a section of that name with all its lines: the first one spelt exactly so, else the
    // first of the name in any letter case. A later section of the same name then answers for it.
    void eraseSection(const QString& section);

    QByteArray serialize() const;
    // Writes to path() (or the given path) through a temporary file renamed over the old one, so
    // a crash mid-save leaves the old file whole. AsBefore keeps an existing file's rights and gives
    // a new one the process's default. Returns false with errorString() set on failure.
    bool save(FileAccess access = FileAccess::AsBefore);
    bool saveAs(const QString& path, FileAccess access = FileAccess::AsBefore);

    // The profile rule for integers: decimal (optionally signed) or "0x" + hex digits, surrounding
    // blanks ignored; nullopt for anything else, including values beyond 64 bits.
    static std::optional<qint64> parseInteger(const QString& text);

private:
    struct Line;
    struct Section;

    Section* findSection(const QString& section) const;
    Section& sectionForWrite(const QString& section);
    void parseText(QString decoded);

    QString path_;
    QString error_;
    QString text_;  // the file as read; lines read from it are views into it
    bool fileExisted_ = false;
    bool crlf_ = false;
    bool utf8Bom_ = false;
    std::vector<QString> preamble_;  // lines before the first section
    std::vector<std::unique_ptr<Section>> sections_;  // erased sections stay as null slots
    QHash<QString, std::vector<Section*>> sectionIndex_;  // case-folded name -> sections in order
    mutable QString lastSectionName_;  // the name findSection was last asked for, as given
    mutable Section* lastSection_ = nullptr;
};

// Text bytes as the program reads its files: UTF-8 (BOM removed) when valid, GBK otherwise.
QString DecodeFileText(const QByteArray& bytes, bool* hadUtf8Bom = nullptr);

}  // namespace strovik
