#pragma once
// The program's initialisation files (settings, layouts, language, tag and log side files): plain
// "[Section]" headers and "key=value" lines, no escaping, keys kept in the order they were written.
// Section and key names match without regard to letter case, as the original platform's reader
// did. Files are read whole and written whole through a temporary file renamed over the old one,
// so a crash or a full disk never leaves half a file.

#include <QByteArray>
#include <QString>
#include <QHash>
#include <QStringList>
#include <utility>
#include <vector>

namespace qn {

class IniFile {
public:
    IniFile() = default;

    // Reads the file at path; a missing or unreadable file gives an empty object (exists() false).
    static IniFile load(const QString &path);
    // Parses bytes: UTF-16 (with byte-order mark), UTF-8 (with or without one) or Latin-1 when the
    // bytes are not valid UTF-8. Never fails; lines that are neither a header nor key=value are kept
    // out of the model.
    static IniFile parse(const QByteArray &bytes);

    bool exists() const { return m_exists; }

    bool hasSection(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;
    QStringList sections() const;
    QStringList keys(const QString &section) const;
    // The key=value pairs of a section in file order (empty when the section is missing).
    std::vector<std::pair<QString, QString>> entries(const QString &section) const;

    QString readString(const QString &section, const QString &key, const QString &fallback) const;
    // Decimal integer with optional sign and surrounding blanks; anything else gives the fallback.
    int readInteger(const QString &section, const QString &key, int fallback) const;
    // Read as an integer: non-zero is true; not a number gives the fallback.
    bool readBool(const QString &section, const QString &key, bool fallback) const;
    // Decimal number with "." (or ",") as separator; not a number gives the fallback.
    double readFloat(const QString &section, const QString &key, double fallback) const;

    // Replaces the value where the key stands, or appends the key to its section (the section is
    // appended to the file when it is new).
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void writeBool(const QString &section, const QString &key, bool value);

    void eraseSection(const QString &section);
    void deleteKey(const QString &section, const QString &key);
    void clear() { m_sections.clear(); }

    // UTF-8 text, "\r\n"-free: one "[Section]" line, its "key=value" lines, a blank line between
    // sections.
    QByteArray serialize() const;
    // Atomic write (temporary file in the same folder, renamed over the old one). On failure returns
    // false and leaves the old file untouched; error gets the reason.
    bool save(const QString &path, QString *error = nullptr) const;

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
        QHash<QString, int> index; // case-folded key -> position in entries
        const Entry *find(const QString &key) const;
        void add(const QString &key, const QString &value);
    };
    const Section *findSection(const QString &name) const;
    Section *findSection(const QString &name);
    const Entry *findEntry(const QString &section, const QString &key) const;

    std::vector<Section> m_sections;
    bool m_exists = false;
};

// Decodes outside text bytes as the initialisation reader does (byte-order marks, UTF-8, Latin-1).
QString decodeText(const QByteArray &bytes);

} // namespace qn
