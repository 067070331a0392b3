#include "app/logic/IniText.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

namespace trimora {

namespace {

bool IsSpace(char C) {
    return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\f' || C == '\v';
}

bool IsHex(char C) {
    return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}

int HexValue(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    return C - 'A' + 10;
}

void AppendUtf8(std::string& Out, std::uint16_t Code) {
    if (Code < 0x80) {
        Out += static_cast<char>(Code);
    } else if (Code < 0x800) {
        Out += static_cast<char>(0xC0 | (Code >> 6));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    } else {
        Out += static_cast<char>(0xE0 | (Code >> 12));
        Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    }
}

// One logical line: a quoted value or an escaped line end may span several lines of text, and a
// ';' outside quotes ends it (the rest is a comment).
struct TIniLine {
    std::size_t Start = 0, End = 0;
    std::size_t Equals = std::string_view::npos;
    // Left open at the end of the text: a quote, or a backslash with nothing to escape.
    bool OpenQuote = false, DanglingEscape = false;
};

bool NextLine(std::string_view Text, std::size_t& Pos, TIniLine& Line) {
    std::size_t start = Pos;
    while (start < Text.size() && IsSpace(Text[start])) ++start;
    Line.Equals = std::string_view::npos;
    bool inQuotes = false;
    Line.DanglingEscape = false;
    std::size_t i = start;
    while (i < Text.size()) {
        const char c = Text[i++];
        if (c == '=') {
            if (!inQuotes && Line.Equals == std::string_view::npos) Line.Equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            Line.DanglingEscape = i == Text.size();
            if (i < Text.size()) {
                const char escaped = Text[i++];
                if (i < Text.size()) {
                    const char next = Text[i];
                    if ((escaped == '\n' && next == '\r') || (escaped == '\r' && next == '\n')) ++i;
                }
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ';') {
            if (i == start + 1) {
                while (i < Text.size() && Text[i] != '\n' && Text[i] != '\r') ++i;
                while (i < Text.size() && IsSpace(Text[i])) ++i;
                start = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    Pos = i;
    Line.Start = start;
    Line.End = i;
    Line.OpenQuote = inQuotes;
    return i > start;
}

// A key or section name as written: %XX and %UXXXX are characters.
std::string UnescapedKey(std::string_view Key) {
    std::string out;
    for (std::size_t i = 0; i < Key.size();) {
        if (Key[i] != '%' || i + 1 == Key.size()) {
            out += Key[i++];
            continue;
        }
        std::size_t first = i + 1;
        std::size_t digits = 2;
        if (Key[first] == 'U') {
            ++first;
            digits = 4;
        }
        bool ok = first + digits <= Key.size();
        std::uint16_t code = 0;
        for (std::size_t d = 0; ok && d < digits; ++d) {
            ok = IsHex(Key[first + d]);
            if (ok) code = static_cast<std::uint16_t>(code * 16 + HexValue(Key[first + d]));
        }
        if (!ok) {
            out += '%';
            ++i;
            continue;
        }
        AppendUtf8(out, code);
        i = first + digits;
    }
    return out;
}

std::string_view Trimmed(std::string_view Text) {
    while (!Text.empty() && IsSpace(Text.front())) Text.remove_prefix(1);
    while (!Text.empty() && IsSpace(Text.back())) Text.remove_suffix(1);
    return Text;
}

// The key prefix a section header sets ("" for [General]).
std::string SectionPrefix(std::string_view Text, const TIniLine& Line) {
    const std::string_view line = Text.substr(Line.Start, Line.End - Line.Start);
    const std::size_t close = line.find(']');
    const std::string_view name =
        Trimmed(close == std::string_view::npos ? line.substr(1) : line.substr(1, close - 1));
    auto equalsNoCase = [](std::string_view A, std::string_view B) {
        if (A.size() != B.size()) return false;
        for (std::size_t i = 0; i < A.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(A[i])) != B[i]) return false;
        return true;
    };
    if (equalsNoCase(name, "general")) return "";
    if (equalsNoCase(name, "%general")) return std::string(name.substr(1)) + "/";
    return UnescapedKey(name) + "/";
}

std::string FullKey(std::string_view Text, const TIniLine& Line, const std::string& Prefix) {
    std::size_t keyEnd = Line.Equals;
    while (keyEnd > Line.Start && (Text[keyEnd - 1] == ' ' || Text[keyEnd - 1] == '\t')) --keyEnd;
    return Prefix + UnescapedKey(Text.substr(Line.Start, keyEnd - Line.Start));
}

// The value's text as QSettings unescapes it; nothing when it is a list ("a, b").
std::optional<std::string> UnescapedValue(std::string_view Value) {
    static constexpr char kEscapes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                           {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                           {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    std::string out;
    bool inQuotes = false, quoted = false;
    std::size_t i = 0;
    while (i < Value.size() && (Value[i] == ' ' || Value[i] == '\t')) ++i;
    std::size_t chopLimit = 0;
    auto chopTrailingSpaces = [&] {
        while (out.size() > chopLimit && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
    };
    while (i < Value.size()) {
        const char c = Value[i];
        if (c == '\\') {
            ++i;
            if (i >= Value.size()) break;
            const char e = Value[i++];
            bool simple = false;
            for (const auto& escape : kEscapes)
                if (e == escape[0]) {
                    out += escape[1];
                    simple = true;
                }
            if (!simple && e == 'x' && i < Value.size() && IsHex(Value[i])) {
                std::uint16_t code = 0;
                while (i < Value.size() && IsHex(Value[i]))
                    code = static_cast<std::uint16_t>(code * 16 + HexValue(Value[i++]));
                AppendUtf8(out, code);
            } else if (!simple && e >= '0' && e <= '7') {
                std::uint16_t code = static_cast<std::uint16_t>(e - '0');
                while (i < Value.size() && Value[i] >= '0' && Value[i] <= '7')
                    code = static_cast<std::uint16_t>(code * 8 + (Value[i++] - '0'));
                AppendUtf8(out, code);
            } else if (!simple && (e == '\n' || e == '\r') && i < Value.size() &&
                       (Value[i] == '\n' || Value[i] == '\r') && Value[i] != e) {
                ++i;
            }
            chopLimit = out.size();
        } else if (c == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                while (i < Value.size() && (Value[i] == ' ' || Value[i] == '\t')) ++i;
                chopLimit = out.size();
            }
        } else if (c == ',' && !inQuotes) {
            return std::nullopt;
        } else {
            std::size_t j = i + 1;
            while (j < Value.size() && Value[j] != '\\' && Value[j] != '"' && Value[j] != ',') ++j;
            out.append(Value.substr(i, j - i));
            i = j;
        }
    }
    if (!quoted) chopTrailingSpaces();
    return out;
}

bool StartsWith(std::string_view Text, std::string_view Prefix) {
    return Text.substr(0, Prefix.size()) == Prefix;
}

// What QSettings makes of a text: typed values ("@ByteArray(...)") are no text.
std::optional<std::string> AsText(std::string Value) {
    if (!StartsWith(Value, "@")) return Value;
    if (Value.back() == ')') {
        if (StartsWith(Value, "@String(")) return Value.substr(8, Value.size() - 9);
        for (const char* typed :
             {"@ByteArray(", "@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point("})
            if (StartsWith(Value, typed)) return std::nullopt;
        if (Value == "@Invalid()") return std::nullopt;
    }
    if (StartsWith(Value, "@@")) return Value.substr(1);
    return Value;
}

std::string EscapedValue(std::string_view Value) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    // A text that begins like a typed value is told apart by a second '@'.
    if (StartsWith(Value, "@")) out += '@';
    bool needsQuotes = false, escapeNextIfHex = false;
    for (const char c : Value) {
        const auto u = static_cast<unsigned char>(c);
        if (c == ';' || c == ',' || c == '=') needsQuotes = true;
        if (escapeNextIfHex && IsHex(c)) {
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 15];
            continue;
        }
        escapeNextIfHex = false;
        switch (c) {
            case '\0':
                out += "\\0";
                escapeNextIfHex = true;
                break;
            case '\a':
                out += "\\a";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\v':
                out += "\\v";
                break;
            case '"':
            case '\\':
                out += '\\';
                out += c;
                break;
            default:
                if (u <= 0x1F) {
                    out += "\\x";
                    if (u >= 16) out += kHex[u >> 4];
                    out += kHex[u & 15];
                    escapeNextIfHex = true;
                } else {
                    out += c;
                }
        }
    }
    if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' ')))
        out = '"' + out + '"';
    return out;
}

struct TKeyLine {
    TIniLine Line;
    std::string Prefix;  // of the section it is in
};

// Every key line and section header, in order.
void Scan(std::string_view Text, std::vector<TKeyLine>& Keys, std::vector<TKeyLine>& Sections) {
    std::size_t pos = 0;
    // QSettings skips a UTF-8 byte-order mark.
    if (StartsWith(Text, "\xEF\xBB\xBF")) pos = 3;
    std::string prefix;
    TIniLine line;
    while (NextLine(Text, pos, line)) {
        if (Text[line.Start] == '[') {
            prefix = SectionPrefix(Text, line);
            Sections.push_back({line, prefix});
        } else if (line.Equals != std::string_view::npos) {
            Keys.push_back({line, prefix});
        }
    }
}

// What is added at the end must not join a last line the user left open: a quote runs to the
// end, and a backslash there escapes the line end that follows it.
void CloseLastLine(std::string& Text, std::string_view LineEnd) {
    for (;;) {
        std::size_t pos = 0;
        TIniLine line, last;
        while (NextLine(Text, pos, line)) last = line;
        if (last.DanglingEscape)
            Text += LineEnd;
        else if (last.OpenQuote)
            Text += '"';
        else
            return;
    }
}

}  // namespace

std::optional<std::string> ReadIniText(std::string_view Text, std::string_view Key) {
    std::vector<TKeyLine> keys, sections;
    Scan(Text, keys, sections);
    // The last one wins, as QSettings reads them.
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        if (FullKey(Text, it->Line, it->Prefix) != Key) continue;
        const std::optional<std::string> value =
            UnescapedValue(Text.substr(it->Line.Equals + 1, it->Line.End - it->Line.Equals - 1));
        if (!value) return std::nullopt;
        return AsText(*value);
    }
    return std::nullopt;
}

std::string WithIniText(std::string_view Text, std::string_view Key, std::string_view Value,
                        std::string_view LineEnd) {
    const std::size_t slash = Key.find('/');
    const std::string section(slash == std::string_view::npos ? "General" : Key.substr(0, slash));
    const std::string name(slash == std::string_view::npos ? Key : Key.substr(slash + 1));
    const std::string prefix = slash == std::string_view::npos ? "" : section + "/";
    std::vector<TKeyLine> keys, sections;
    Scan(Text, keys, sections);

    // Every earlier line of the key goes; the new one follows the last header of its section.
    std::string out(Text);
    std::size_t insertAt = std::string::npos;
    for (const TKeyLine& header : sections)
        if (header.Prefix == prefix) insertAt = header.Line.End;
    const std::string line = name + "=" + EscapedValue(Value);
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        if (FullKey(Text, it->Line, it->Prefix) != Key) continue;
        std::size_t end = it->Line.End;
        // With its line end.
        if (end < out.size() && out[end] == '\r') ++end;
        if (end < out.size() && out[end] == '\n') ++end;
        out.erase(it->Line.Start, end - it->Line.Start);
        if (insertAt != std::string::npos && insertAt > it->Line.Start)
            insertAt -= end - it->Line.Start;
    }
    if (insertAt == out.size()) {
        CloseLastLine(out, LineEnd);
        insertAt = out.size();
    }
    if (insertAt != std::string::npos) {
        // After a header whose line end is escaped the new line would join the header: such a
        // file gets the setting at its end instead.
        std::string inserted = out;
        inserted.insert(insertAt, std::string(LineEnd) + line);
        const std::string alone = "[" + section + "]" + std::string(LineEnd) + line;
        if (ReadIniText(inserted, Key) == ReadIniText(alone, Key)) return inserted;
        insertAt = std::string::npos;
    }
    CloseLastLine(out, LineEnd);
    if (!out.empty() && out.back() != '\n') out += LineEnd;
    if (!out.empty()) out += LineEnd;
    if (!prefix.empty() || !out.empty()) out += "[" + section + "]" + std::string(LineEnd);
    out += line + std::string(LineEnd);
    return out;
}

}  // namespace trimora
