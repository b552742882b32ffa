#include "IniFile.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace {

// The letters after a backslash and what they stand for, as QSettings reads
// them; it writes all but the last two.
constexpr char EscapeLetters[] = "abfnrtv\"\\?'";
constexpr char EscapedChars[] = "\a\b\f\n\r\t\v\"\\?'";
constexpr int WrittenEscapes = 9;
constexpr char HexDigits[] = "0123456789ABCDEF";

bool isHexDigit(char16_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    const char *digit = std::strchr(HexDigits, c >= 'a' ? c - 'a' + 'A' : c);
    return c && digit ? int(digit - HexDigits) : -1;
}

// The line without its line break and surrounding blanks (and without the byte
// order mark some editors put before the first line).
QByteArrayView contentOf(QByteArrayView line) {
    if (line.startsWith("\xEF\xBB\xBF"))
        line = line.sliced(3);
    return line.trimmed();
}

QByteArrayView lineBreakOf(QByteArrayView line) {
    qsizetype n = line.size();
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r'))
        --n;
    return line.sliced(n);
}

struct KeyLine {
    QByteArrayView key, value;
};

// The first "=" outside quotes ends the key, and a ";" outside quotes starts
// a comment, as QSettings reads a line. Nothing else on the line can spill
// into the next one: an unclosed quote ends with its line.
std::optional<KeyLine> splitKeyLine(QByteArrayView content) {
    bool inQuotes = false;
    qsizetype equals = -1, end = content.size();
    for (qsizetype i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c == '\\') {
            ++i;
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == '=' && !inQuotes && equals < 0) {
            equals = i;
        } else if (c == ';' && !inQuotes) {
            end = i;
            break;
        }
    }
    if (equals <= 0 || equals >= end || content.first(equals).trimmed().isEmpty())
        return std::nullopt;
    return KeyLine{content.first(equals).trimmed(), content.sliced(equals + 1, end - equals - 1)};
}

// QString::fromUtf8 drops a byte order mark at the start of what it is given,
// and a run of text can start with one anywhere in a value.
QString fromUtf8KeepingMarks(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

bool isUtf8(QByteArrayView bytes) {
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }))
        return true;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

// QSettings' unescaping of a value, except that a comma is text like any
// other: people write paths with commas by hand, and a list is nothing this
// program ever stores. Bytes that are not UTF-8 are taken as Latin-1, which
// keeps every byte readable instead of turning it into a replacement mark.
QString decodeValue(QByteArrayView raw) {
    const bool utf8 = isUtf8(raw);
    QString out;
    qsizetype i = 0, kept = 0; // kept: the length trailing blanks may not be cut below
    bool inQuotes = false, quoted = false;
    const auto skipBlanks = [&] {
        while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t'))
            ++i;
        kept = out.size();
    };
    skipBlanks();
    while (i < raw.size()) {
        const char c = raw[i++];
        if (c == '"') {
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
            continue;
        }
        if (c != '\\') {
            qsizetype end = i;
            while (end < raw.size() && raw[end] != '\\' && raw[end] != '"')
                ++end;
            const QByteArrayView run = raw.sliced(i - 1, end - i + 1);
            out += utf8 ? fromUtf8KeepingMarks(run) : QString::fromLatin1(run);
            i = end;
            continue;
        }
        if (i == raw.size())
            break;
        const char e = raw[i++];
        if (const char *letter = std::strchr(EscapeLetters, e); e && letter) {
            out += QLatin1Char(EscapedChars[letter - EscapeLetters]);
        } else if (e == 'x' || (e >= '0' && e <= '7')) {
            const int base = e == 'x' ? 16 : 8;
            uint code = e == 'x' ? 0 : uint(e - '0');
            bool digits = e != 'x';
            for (int d; i < raw.size() && (d = hexValue(raw[i])) >= 0 && d < base; ++i) {
                code = code * uint(base) + uint(d);
                digits = true;
            }
            if (digits)
                out += QChar(char16_t(code));
        }
        kept = out.size();
    }
    if (!quoted) {
        while (out.size() > kept && (out.endsWith(' ') || out.endsWith('\t')))
            out.chop(1);
    }
    return out;
}

// QSettings marks its serialised objects with a leading "@" and doubles an "@"
// that starts plain text. Of the objects only a byte array and a string (which
// it writes so when the text holds a NUL) are text.
std::optional<QString> textOf(const QString &stored) {
    if (!stored.startsWith('@'))
        return stored;
    if (stored.startsWith(QLatin1String("@@")))
        return stored.mid(1);
    if (!stored.endsWith(')'))
        return stored;
    if (stored.startsWith(QLatin1String("@ByteArray(")))
        return stored.mid(11, stored.size() - 12);
    if (stored.startsWith(QLatin1String("@String(")))
        return stored.mid(8, stored.size() - 9);
    for (const char *kind : {"@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point(", "@Invalid("})
        if (stored.startsWith(QLatin1String(kind)))
            return std::nullopt;
    return stored;
}

// How much of the text from i on UTF-8 holds as it is: characters beyond
// ASCII, a surrogate only as half of a whole pair.
qsizetype utf8Run(QStringView s, qsizetype i) {
    qsizetype end = i;
    while (end < s.size() && s[end].unicode() >= 0x80) {
        if (s[end].isHighSurrogate() && end + 1 < s.size() && s[end + 1].isLowSurrogate())
            end += 2;
        else if (s[end].isSurrogate())
            break;
        else
            ++end;
    }
    return end - i;
}

QByteArray encodeValue(const QString &text) {
    const QString s = text.contains(QChar::Null) ? QLatin1String("@String(") + text + ')'
                      : text.startsWith('@')     ? QLatin1Char('@') + text
                                                 : text;
    QByteArray out;
    out.reserve(s.size() + 2);
    bool needsQuotes = false, escapeNextIfHex = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        needsQuotes = needsQuotes || c == ';' || c == ',' || c == '=';
        // A digit right after a numeric escape would be read as part of it.
        if (escapeNextIfHex && isHexDigit(c)) {
            out += "\\x" + QByteArray::number(c, 16);
            continue;
        }
        escapeNextIfHex = false;
        const char *escaped = c && c < 0x80 ? std::strchr(EscapedChars, char(c)) : nullptr;
        if (escaped && escaped - EscapedChars < WrittenEscapes) {
            out += '\\';
            out += EscapeLetters[escaped - EscapedChars];
        } else if (c == 0) {
            out += "\\0";
            escapeNextIfHex = true;
        } else if (c >= 0x20 && c < 0x80) {
            out += char(c);
        } else if (const qsizetype n = utf8Run(s, i); n > 0) {
            out += QStringView(s).sliced(i, n).toUtf8();
            i += n - 1;
        } else {
            // Below blank, or half a surrogate pair, which UTF-8 cannot hold.
            out += "\\x" + QByteArray::number(c, 16);
            escapeNextIfHex = true;
        }
    }
    if (needsQuotes || out.startsWith(' ') || out.endsWith(' '))
        return '"' + out + '"';
    return out;
}

// Section and key names as QSettings writes them.
QByteArray encodeName(const QString &name) {
    QByteArray out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        // A backslash before the "=" would hide it, so a closing "/" is written
        // as a code, which reads back as the same name.
        if (c == '/' && i + 1 < name.size()) {
            out += '\\';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '_' || c == '-' || c == '.') {
            out += char(c);
        } else {
            out += c <= 0xFF ? "%" : "%U";
            for (int shift = c <= 0xFF ? 4 : 12; shift >= 0; shift -= 4)
                out += HexDigits[(c >> shift) & 0xF];
        }
    }
    return out;
}

} // namespace

IniFile::IniFile(const QByteArray &bytes) {
    m_blocks.append(Block{});
    bool lineBreakSeen = false;
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        if (end < bytes.size())
            end += bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1;
        QByteArray line = bytes.sliced(start, end - start);
        if (!lineBreakSeen && !lineBreakOf(line).isEmpty()) {
            m_lineBreak = lineBreakOf(line).toByteArray();
            lineBreakSeen = true;
        }
        appendLine(std::move(line));
        start = end;
    }
}

void IniFile::appendLine(QByteArray line) {
    const QByteArrayView content = contentOf(line);
    if (content.startsWith('[')) {
        const qsizetype close = content.indexOf(']');
        const QByteArrayView name = close < 0 ? content.sliced(1) : content.sliced(1, close - 1);
        m_blocks.append(Block{name.trimmed().toByteArray(), {std::move(line)}, 1});
        m_sections.insert(m_blocks.last().name, m_blocks.size() - 1);
        return;
    }
    Block &block = m_blocks.last();
    const std::optional<KeyLine> keyLine =
        content.startsWith(';') ? std::nullopt : splitKeyLine(content);
    if (keyLine) {
        m_keys[block.name].insert(keyLine->key.toByteArray(),
                                  Place{m_blocks.size() - 1, block.lines.size()});
        block.keyEnd = block.lines.size() + 1;
    }
    block.lines.append(std::move(line));
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const {
    const auto keys = m_keys.constFind(encodeName(section));
    if (keys == m_keys.cend())
        return std::nullopt;
    const auto place = keys->constFind(encodeName(key));
    if (place == keys->cend())
        return std::nullopt;
    const std::optional<KeyLine> line =
        splitKeyLine(contentOf(m_blocks.at(place->block).lines.at(place->line)));
    return line ? textOf(decodeValue(line->value)) : std::nullopt;
}

void IniFile::setValue(const QString &section, const QString &key, const QString &text) {
    const QByteArray sectionName = encodeName(section), keyName = encodeName(key);
    if (keyName.isEmpty())
        return; // no line could hold it
    const QByteArray content = keyName + '=' + encodeValue(text);
    QHash<QByteArray, Place> &keys = m_keys[sectionName];
    if (const auto place = keys.constFind(keyName); place != keys.cend()) {
        if (value(section, key) == text)
            return;
        QByteArray &line = m_blocks[place->block].lines[place->line];
        line = content + lineBreakOf(line).toByteArray();
        return;
    }
    qsizetype b = m_sections.value(sectionName, -1);
    if (b < 0) {
        // A new section goes at the end, set off by a blank line.
        // (Only an empty file has a block without lines.)
        QList<QByteArray> &last = m_blocks.last().lines;
        if (!last.isEmpty()) {
            endLine(last.last());
            if (!contentOf(last.last()).isEmpty())
                last.append(m_lineBreak);
        }
        m_blocks.append(Block{sectionName, {'[' + sectionName + ']' + m_lineBreak}, 1});
        b = m_blocks.size() - 1;
        m_sections.insert(sectionName, b);
    }
    Block &block = m_blocks[b];
    endLine(block.lines[block.keyEnd - 1]);
    keys.insert(keyName, Place{b, block.keyEnd});
    block.lines.insert(block.keyEnd++, content + m_lineBreak);
}

// Only the file's last line can lack a line break; one is needed before
// anything is added after it.
void IniFile::endLine(QByteArray &line) const {
    if (lineBreakOf(line).isEmpty())
        line += m_lineBreak;
}

QByteArray IniFile::bytes() const {
    QByteArray out;
    for (const Block &block : m_blocks)
        for (const QByteArray &line : block.lines)
            out += line;
    return out;
}
