#include "platform/IniFile.h"

#include <algorithm>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <limits>

namespace strovik {

namespace {

int hexDigitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

// The bounds [begin, end) of text within [from, to) without surrounding blanks.
std::pair<qsizetype, qsizetype> trimmedBounds(QStringView text, qsizetype from, qsizetype to) {
    while (from < to && isBlank(text[from])) ++from;
    while (to > from && isBlank(text[to - 1])) --to;
    return {from, to};
}

QStringView trimBlanks(QStringView text) {
    const auto [begin, end] = trimmedBounds(text, 0, text.size());
    return text.sliced(begin, end - begin);
}

}  // namespace

// One line of a section body, kept as written so that untouched lines survive a save unchanged.
// A line read from the file is a view into the file's text (no string of its own); a written
// line owns its text. Key and value are positions inside raw. Moving a Line keeps own's buffer,
// so raw stays valid.
struct IniFile::Line {
    QString own;
    QStringView raw;
    qsizetype keyStart = 0, keyLength = 0;
    qsizetype valueStart = 0, valueLength = 0;

    bool isKey() const { return keyLength > 0; }
    QStringView key() const { return raw.sliced(keyStart, keyLength); }
    QStringView value() const { return raw.sliced(valueStart, valueLength); }

    static Line keyLine(QStringView key, QStringView value) {
        Line line;
        line.own.reserve(key.size() + 1 + value.size());
        line.own.append(key).append(QLatin1Char('=')).append(value);
        line.raw = line.own;
        line.keyLength = key.size();
        line.valueStart = key.size() + 1;
        line.valueLength = value.size();
        return line;
    }
};

struct IniFile::Section {
    // Sections of the device list and the settings hold a handful of keys, which a scan finds
    // faster than a hash; a key index is built only for long sections (language tables).
    static constexpr std::size_t kIndexFrom = 24;

    std::size_t slot = 0;  // position in sections_
    QString name;
    QString ownHeader;
    QStringView header;  // the "[name]" line as written
    std::vector<Line> lines;
    mutable QHash<QString, qsizetype> keyIndex;  // case-folded key -> first line; long sections only

    std::optional<qsizetype> find(QStringView key) const {
        if (lines.size() < kIndexFrom) {
            for (std::size_t i = 0; i < lines.size(); ++i)
                if (lines[i].isKey() && lines[i].key().compare(key, Qt::CaseInsensitive) == 0)
                    return static_cast<qsizetype>(i);
            return std::nullopt;
        }
        if (keyIndex.isEmpty()) {
            for (std::size_t i = 0; i < lines.size(); ++i) {
                if (!lines[i].isKey()) continue;
                const QString folded = foldedName(lines[i].key().toString());
                if (!keyIndex.contains(folded)) keyIndex.insert(folded, static_cast<qsizetype>(i));
            }
        }
        const auto it = keyIndex.constFind(foldedName(key.toString()));
        return it == keyIndex.cend() ? std::nullopt : std::optional<qsizetype>(*it);
    }

    void append(Line line) {
        if (!keyIndex.isEmpty() && line.isKey()) {
            const QString folded = foldedName(line.key().toString());
            if (!keyIndex.contains(folded)) keyIndex.insert(folded, static_cast<qsizetype>(lines.size()));
        }
        lines.push_back(std::move(line));
    }
};

IniFile::IniFile() = default;
IniFile::~IniFile() = default;
IniFile::IniFile(IniFile&&) noexcept = default;
IniFile& IniFile::operator=(IniFile&&) noexcept = default;

QString DecodeFileText(const QByteArray& bytes, bool* hadUtf8Bom) {
    QByteArrayView view(bytes);
    const bool bom = view.startsWith("\xEF\xBB\xBF");
    if (hadUtf8Bom) *hadUtf8Bom = bom;
    if (bom) view = view.sliced(3);

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError()) return text;

    QStringDecoder gbk("GBK");
    if (gbk.isValid()) {
        text = gbk.decode(view);
        if (!gbk.hasError()) return text;
    }
    // Neither: keep every byte visible rather than dropping the file.
    return QString::fromLatin1(view);
}

IniFile IniFile::load(const QString& path) {
    IniFile ini;
    ini.path_ = path;
    QFile file(path);
    if (!file.exists()) return ini;
    ini.fileExisted_ = true;
    if (file.size() > maxFileBytes) {
        ini.error_ = QStringLiteral("%1 is larger than %2 bytes and was not read").arg(path).arg(maxFileBytes);
        return ini;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        ini.error_ = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return ini;
    }
    // Read as far as the file goes: asking for the whole limit at once would allocate all of it
    // for every small file.
    QByteArray bytes;
    constexpr qint64 kChunkBytes = 1 << 20;
    while (bytes.size() <= maxFileBytes) {
        const QByteArray chunk = file.read(std::min<qint64>(kChunkBytes, maxFileBytes + 1 - bytes.size()));
        if (chunk.isEmpty()) break;
        bytes += chunk;
    }
    if (bytes.size() > maxFileBytes) {
        ini.error_ = QStringLiteral("%1 is larger than %2 bytes and was not read").arg(path).arg(maxFileBytes);
        return ini;
    }
    ini.crlf_ = bytes.contains("\r\n");
    ini.parseText(DecodeFileText(bytes, &ini.utf8Bom_));
    return ini;
}

IniFile IniFile::parse(const QByteArray& bytes) {
    IniFile ini;
    ini.crlf_ = bytes.contains("\r\n");
    ini.parseText(DecodeFileText(bytes, &ini.utf8Bom_));
    return ini;
}

void IniFile::parseText(QString decoded) {
    text_ = std::move(decoded);
    const QString& text = text_;
    Section* current = nullptr;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0) end = text.size();
        QStringView raw = QStringView(text).sliced(start, end - start);
        start = end + 1;
        if (raw.endsWith(u'\r')) raw.chop(1);

        const auto [begin, finish] = trimmedBounds(raw, 0, raw.size());
        const QStringView trimmed = raw.sliced(begin, finish - begin);
        if (trimmed.startsWith(u'[')) {
            const qsizetype close = trimmed.indexOf(u']');
            if (close > 0) {
                auto section = std::make_unique<Section>();
                section->name = trimmed.sliced(1, close - 1).toString();
                section->header = raw;
                section->slot = sections_.size();
                current = section.get();
                sectionIndex_[foldedName(section->name)].push_back(current);
                sections_.push_back(std::move(section));
                continue;
            }
        }
        if (!current) {
            preamble_.push_back(raw.toString());
            continue;
        }
        Line line;
        line.raw = raw;
        const qsizetype equals = raw.indexOf(u'=');
        if (equals > 0 && !trimmed.startsWith(u';')) {
            const auto [keyBegin, keyEnd] = trimmedBounds(raw, 0, equals);
            const auto [valueBegin, valueEnd] = trimmedBounds(raw, equals + 1, raw.size());
            line.keyStart = keyBegin;
            line.keyLength = keyEnd - keyBegin;
            line.valueStart = valueBegin;
            line.valueLength = valueEnd - valueBegin;
        }
        current->append(std::move(line));
    }
}

IniFile::Section* IniFile::findSection(const QString& section) const {
    // Callers read or write several keys of one section in a row; the exact name they used last
    // skips the case folding and the hash lookup.
    if (lastSection_ && section == lastSectionName_) return lastSection_;
    const auto it = sectionIndex_.constFind(foldedName(section));
    if (it == sectionIndex_.cend() || it->empty()) return nullptr;
    lastSectionName_ = section;
    lastSection_ = it->front();
    return lastSection_;
}

IniFile::Section& IniFile::sectionForWrite(const QString& section) {
    if (Section* found = findSection(section)) return *found;
    auto created = std::make_unique<Section>();
    created->name = section;
    created->ownHeader = QLatin1Char('[') + section + QLatin1Char(']');
    created->header = created->ownHeader;
    created->slot = sections_.size();
    Section* raw = created.get();
    sectionIndex_[foldedName(section)].push_back(raw);
    sections_.push_back(std::move(created));
    return *raw;
}

QString IniFile::foldedName(const QString& name) { return name.toCaseFolded(); }

QStringList IniFile::sectionNames() const {
    QStringList names;
    for (const auto& section : sections_)
        if (section) names.push_back(section->name);
    return names;
}

bool IniFile::hasSection(const QString& section) const { return findSection(section) != nullptr; }

QStringList IniFile::keys(const QString& section) const {
    QStringList names;
    if (const Section* found = findSection(section))
        for (const Line& line : found->lines)
            if (line.isKey()) names.push_back(line.key().toString());
    return names;
}

std::vector<std::pair<QString, QString>> IniFile::entries(const QString& section) const {
    std::vector<std::pair<QString, QString>> result;
    if (const Section* found = findSection(section))
        for (const Line& line : found->lines)
            if (line.isKey()) result.emplace_back(line.key().toString(), line.value().toString());
    return result;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const {
    const Section* found = findSection(section);
    if (!found) return std::nullopt;
    const auto at = found->find(key);
    if (!at) return std::nullopt;
    return found->lines[static_cast<std::size_t>(*at)].value().toString();
}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const {
    return value(section, key).value_or(defaultValue);
}

qint64 IniFile::readInt(const QString& section, const QString& key, qint64 defaultValue) const {
    const auto text = value(section, key);
    if (!text) return defaultValue;
    return parseInteger(*text).value_or(defaultValue);
}

std::optional<qint64> IniFile::parseInteger(const QString& text) {
    const QStringView trimmed = trimBlanks(text);
    if (trimmed.size() > 2 && trimmed[0] == u'0' && (trimmed[1] == u'x' || trimmed[1] == u'X')) {
        quint64 value = 0;
        for (const QChar c : trimmed.sliced(2)) {
            const int digit = hexDigitValue(c);
            if (digit < 0 || value > (std::numeric_limits<quint64>::max() >> 4)) return std::nullopt;
            value = (value << 4) | static_cast<quint64>(digit);
        }
        // Hex values are bit patterns: 0xFFFFFFFFFFFFFFFF reads as -1, like a cast.
        return static_cast<qint64>(value);
    }
    bool ok = false;
    const qint64 value = trimmed.toLongLong(&ok, 10);
    if (!ok) return std::nullopt;
    return value;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    Section& target = sectionForWrite(section);
    if (const auto at = target.find(key)) {
        Line& line = target.lines[static_cast<std::size_t>(*at)];
        line = Line::keyLine(line.key(), value);
        return;
    }
    target.append(Line::keyLine(key, value));
}

void IniFile::writeInt(const QString& section, const QString& key, qint64 value) {
    writeString(section, key, QString::number(value));
}

void IniFile::eraseSection(const QString& section) {
    const auto it = sectionIndex_.find(foldedName(section));
    if (it == sectionIndex_.end() || it->empty()) return;
    // Sections spelt "Gate" and "gate" are one name to readers, but the caller erasing "gate" means
    // the one spelt so, not the one that answers for both.
    auto spelt = std::find_if(it->begin(), it->end(), [&](const Section* s) { return s->name == section; });
    if (spelt == it->end()) spelt = it->begin();
    Section* doomed = *spelt;
    lastSection_ = nullptr;
    it->erase(spelt);
    if (it->empty()) sectionIndex_.erase(it);
    sections_[doomed->slot].reset();
}

QByteArray IniFile::serialize() const {
    const QByteArrayView newline = crlf_ ? QByteArrayView("\r\n") : QByteArrayView("\n");
    QByteArray bytes;
    if (utf8Bom_) bytes += "\xEF\xBB\xBF";
    bytes.reserve(text_.size() + text_.size() / 4 + 1024);
    auto append = [&](QStringView line) {
        bytes += line.toUtf8();
        bytes += newline;
    };
    for (const QString& line : preamble_) append(line);
    for (const auto& section : sections_) {
        if (!section) continue;
        append(section->header);
        for (const Line& line : section->lines) append(line.raw);
    }
    return bytes;
}

bool IniFile::save(FileAccess access) { return saveAs(path_, access); }

bool IniFile::saveAs(const QString& path, FileAccess access) {
    error_.clear();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error_ = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    // The temporary file takes the rights it will keep before anything is written into it.
    if (access == FileAccess::OwnerOnly && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        error_ = QStringLiteral("cannot make %1 owner-only: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    const QByteArray bytes = serialize();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        error_ = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    path_ = path;
    return true;
}

}  // namespace strovik
