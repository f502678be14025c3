#include "Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

namespace platform {

namespace {

QString Escape(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    for (QChar c : text) {
        if (c == u'\\' || c == u'"') {
            out += u'\\';
            out += c;
        } else if (c == u'\n') {
            out += QStringLiteral("\\n");
        } else if (c == u'\r') {
            out += QStringLiteral("\\r");
        } else {
            out += c;
        }
    }
    return out;
}

// Reads a quoted text starting at `pos` (at the opening quote); returns the
// position after the closing quote, or -1 when the text is not closed.
qsizetype ReadQuoted(const QString& line, qsizetype pos, QString* out) {
    if (pos >= line.size() || line[pos] != u'"') {
        return -1;
    }
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == u'"') {
            return pos + 1;
        }
        if (c != u'\\') {
            *out += c;
            continue;
        }
        if (++pos >= line.size()) {
            return -1;
        }
        const QChar e = line[pos];
        *out += e == u'n' ? QChar(u'\n') : e == u'r' ? QChar(u'\r') : e;
    }
    return -1;
}

// Exactly `digits` hexadecimal digits, nothing else (no sign, prefix or blanks).
bool ParseHex(const QString& text, qsizetype digits, std::uint32_t* value) {
    if (text.size() != digits) {
        return false;
    }
    std::uint32_t result = 0;
    for (QChar c : text) {
        const int digit = c.isDigit()                ? c.unicode() - u'0'
                          : (c >= u'a' && c <= u'f') ? c.unicode() - u'a' + 10
                          : (c >= u'A' && c <= u'F') ? c.unicode() - u'A' + 10
                                                     : -1;
        if (digit < 0) {
            return false;
        }
        result = result * 16 + static_cast<std::uint32_t>(digit);
    }
    *value = result;
    return true;
}

}  // namespace

QString Registry::DefaultFilePath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/OmbrelPlayer/registry.ini");
}

Registry::Registry(QString filePath) : filePath_(std::move(filePath)) {}

Registry::LoadResult Registry::Load() {
    keys_.clear();
    QFile file(filePath_);
    if (!file.exists()) {
        return LoadResult::Missing;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return LoadResult::Unreadable;
    }
    const QString text = QString::fromUtf8(file.readAll());
    Key* current = nullptr;
    for (const QString& line : text.split(u'\n')) {
        ParseLine(line.trimmed(), &current);
    }
    return LoadResult::Loaded;
}

void Registry::ParseLine(const QString& line, Key** current) {
    if (line.isEmpty() || line.startsWith(u';')) {
        return;
    }
    if (line.startsWith(u'[') && line.endsWith(u']')) {
        *current = &keys_[line.mid(1, line.size() - 2)];
        return;
    }
    if (*current == nullptr) {
        return;
    }
    QString name;
    qsizetype pos = ReadQuoted(line, 0, &name);
    if (pos < 0 || pos >= line.size() || line[pos] != u'=') {
        return;
    }
    const QString rest = line.mid(pos + 1);
    Value value;
    if (rest.startsWith(u'"')) {
        value.type = Value::Type::String;
        if (ReadQuoted(rest, 0, &value.string) != rest.size()) {
            return;
        }
    } else if (rest.startsWith(QStringLiteral("dword:"))) {
        if (!ParseHex(rest.mid(6), 8, &value.integer)) {
            return;
        }
    } else if (rest.startsWith(QStringLiteral("hex:"))) {
        value.type = Value::Type::Binary;
        const QString bytes = rest.mid(4);
        if (!bytes.isEmpty()) {
            for (const QString& part : bytes.split(u',')) {
                std::uint32_t byte = 0;
                if (!ParseHex(part, 2, &byte)) {
                    return;
                }
                value.binary.append(static_cast<char>(byte));
            }
        }
    } else {
        return;
    }
    (**current)[name] = std::move(value);
}

QByteArray Registry::Serialize() const {
    QString out;
    for (const auto& [keyName, values] : keys_) {
        out += u'[' + keyName + QStringLiteral("]\n");
        for (const auto& [name, value] : values) {
            out += u'"' + Escape(name) + QStringLiteral("\"=");
            switch (value.type) {
                case Value::Type::Integer:
                    out += QStringLiteral("dword:%1").arg(value.integer, 8, 16, QChar(u'0'));
                    break;
                case Value::Type::String:
                    out += u'"' + Escape(value.string) + u'"';
                    break;
                case Value::Type::Binary: {
                    QStringList parts;
                    for (char byte : value.binary) {
                        parts << QStringLiteral("%1").arg(static_cast<uchar>(byte), 2, 16,
                                                          QChar(u'0'));
                    }
                    out += QStringLiteral("hex:") + parts.join(u',');
                    break;
                }
            }
            out += u'\n';
        }
        out += u'\n';
    }
    return out.toUtf8();
}

bool Registry::Save() const {
    if (!QDir().mkpath(QFileInfo(filePath_).absolutePath())) {
        return false;
    }
    QSaveFile file(filePath_);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = Serialize();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool Registry::KeyExists(const QString& key) const {
    return keys_.count(key) != 0;
}

void Registry::CreateKey(const QString& key) {
    keys_[key];
}

bool Registry::ValueExists(const QString& key, const QString& name) const {
    const auto found = keys_.find(key);
    return found != keys_.end() && found->second.count(name) != 0;
}

const Registry::Value* Registry::Find(const QString& key, const QString& name,
                                      Value::Type type) const {
    const auto foundKey = keys_.find(key);
    if (foundKey == keys_.end()) {
        return nullptr;
    }
    const auto foundValue = foundKey->second.find(name);
    if (foundValue == foundKey->second.end() || foundValue->second.type != type) {
        return nullptr;
    }
    return &foundValue->second;
}

std::optional<std::uint32_t> Registry::ReadInteger(const QString& key, const QString& name) const {
    const Value* value = Find(key, name, Value::Type::Integer);
    return value ? std::optional(value->integer) : std::nullopt;
}

std::optional<QString> Registry::ReadString(const QString& key, const QString& name) const {
    const Value* value = Find(key, name, Value::Type::String);
    return value ? std::optional(value->string) : std::nullopt;
}

std::optional<QByteArray> Registry::ReadBinary(const QString& key, const QString& name) const {
    const Value* value = Find(key, name, Value::Type::Binary);
    return value ? std::optional(value->binary) : std::nullopt;
}

void Registry::WriteInteger(const QString& key, const QString& name, std::uint32_t value) {
    Value& stored = keys_[key][name];
    stored = Value{};
    stored.integer = value;
}

void Registry::WriteString(const QString& key, const QString& name, const QString& value) {
    Value& stored = keys_[key][name];
    stored = Value{};
    stored.type = Value::Type::String;
    stored.string = value;
}

void Registry::WriteBinary(const QString& key, const QString& name, const QByteArray& value) {
    Value& stored = keys_[key][name];
    stored = Value{};
    stored.type = Value::Type::Binary;
    stored.binary = value;
}

}  // namespace platform
