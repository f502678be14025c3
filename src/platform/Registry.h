#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>

namespace platform {

// The program's configuration store: keys holding typed values (32-bit integer,
// string, binary), kept in one text file and written atomically (temporary file,
// then rename). The file reads like a registry export:
//
//   [Software\OmbrelPlayer\Setting]
//   "Language"=dword:00000001
//   "DefaultSavePath"="/home/me/Videos"
//   "VisibleChart"=hex:07,00,00,00
class Registry {
  public:
    // $XDG_CONFIG_HOME/OmbrelPlayer/registry.ini (~/.config when unset).
    static QString DefaultFilePath();

    explicit Registry(QString filePath = DefaultFilePath());

    enum class LoadResult { Loaded, Missing, Unreadable };
    // Reads the file (the store is empty unless Loaded). A missing file is a new
    // install; an unreadable one must not be taken for one. Lines that do not parse
    // are skipped, so a damaged value reads as missing.
    LoadResult Load();
    // Writes the whole store atomically; false on any failure (the old file stays).
    bool Save() const;

    const QString& FilePath() const { return filePath_; }

    bool KeyExists(const QString& key) const;
    void CreateKey(const QString& key);
    bool ValueExists(const QString& key, const QString& name) const;

    // Missing values, and values of another type, read as nullopt.
    std::optional<std::uint32_t> ReadInteger(const QString& key, const QString& name) const;
    std::optional<QString> ReadString(const QString& key, const QString& name) const;
    std::optional<QByteArray> ReadBinary(const QString& key, const QString& name) const;

    // Writing creates the key when needed.
    void WriteInteger(const QString& key, const QString& name, std::uint32_t value);
    void WriteString(const QString& key, const QString& name, const QString& value);
    void WriteBinary(const QString& key, const QString& name, const QByteArray& value);

  private:
    struct Value {
        enum class Type { Integer, String, Binary } type = Type::Integer;
        std::uint32_t integer = 0;
        QString string;
        QByteArray binary;
    };
    using Key = std::map<QString, Value>;

    const Value* Find(const QString& key, const QString& name, Value::Type type) const;
    void ParseLine(const QString& line, Key** current);
    QByteArray Serialize() const;

    QString filePath_;
    std::map<QString, Key> keys_;
};

}  // namespace platform
