#include "framework/graphics/DescParser.h"

#include "orvek/File.h"
#include "orvek/NumberText.h"

#include <cctype>
#include <climits>

namespace Vant {

namespace {

inline unsigned char U(char c) { return static_cast<unsigned char>(c); }

std::string UpperCopy(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = static_cast<char>(std::toupper(U(c)));
    return r;
}

bool IsQuote(char c) { return c == '\'' || c == '"'; }

std::string DereferenceError(const std::string& name) { return "Unable to Dereference \"" + name + "\""; }

// Lists nest by recursion; a descriptor never needs more than a few levels,
// and a file of brackets alone must not exhaust the stack.
constexpr int kMaxListDepth = 200;

}  // namespace

std::unique_ptr<DataElement> SingleDataElement::Duplicate() const {
    return std::make_unique<SingleDataElement>(*this);
}

ListDataElement::ListDataElement(const ListDataElement& other) : DataElement(true) {
    mElementVector.reserve(other.mElementVector.size());
    for (const auto& e : other.mElementVector) mElementVector.push_back(e->Duplicate());
}

ListDataElement& ListDataElement::operator=(const ListDataElement& other) {
    if (this != &other) {
        ListDataElement copy(other);
        mElementVector.swap(copy.mElementVector);
    }
    return *this;
}

std::unique_ptr<DataElement> ListDataElement::Duplicate() const {
    return std::make_unique<ListDataElement>(*this);
}

bool DescParser::Error(const std::string& message) {
    if (&message != &mError) mError = message;
    return false;
}

DataElement* DescParser::FindDefine(const std::string& name) {
    auto it = mDefineMap.find(UpperCopy(name));
    return it == mDefineMap.end() ? nullptr : it->second.get();
}

bool DescParser::LoadDescriptor(const std::string& fileName) {
    mError.clear();
    mCurrentLineNum = 0;
    orvek::File file;
    file.set_open_logged(false);
    if (!file.open(fileName, orvek::open_mode::in | orvek::open_mode::binary)) return false;
    std::string bytes;
    char buf[4096];
    for (;;) {
        const size_t n = file.read(buf, sizeof buf);
        if (n == 0) break;
        bytes.append(buf, n);
    }
    file.close();
    return LoadDescriptorText(bytes);
}

bool DescParser::LoadDescriptorText(std::string_view text) {
    mError.clear();
    mCurrentLineNum = 0;
    mCurrentLine.clear();

    bool atLineStart = true, sawLeadingBlank = false, inSingle = false, inDouble = false;
    bool escapePending = false, inComment = false;
    int lineCounter = 0;
    bool ok = true;

    auto append = [&](char c) {
        if (mCurrentLine.empty()) mCurrentLineNum = lineCounter + 1;
        mCurrentLine += c;
    };
    auto resetState = [&] {
        atLineStart = true;
        sawLeadingBlank = inSingle = inDouble = escapePending = inComment = false;
    };
    // Runs the command read so far; false when it fails.
    auto endCommand = [&] {
        if (!mCurrentLine.empty() && !ParseDescriptorLine(mCurrentLine)) return false;
        mCurrentLine.clear();
        resetState();
        return true;
    };

    size_t i = 0;
    while (ok && i < text.size()) {
        const char c = text[i++];
        if (c == '\r') continue;
        if (atLineStart) {
            if (c == ' ' || c == '\t') {
                sawLeadingBlank = true;
                continue;
            }
            if (c == '\n') {
                ++lineCounter;
                continue;
            }
            atLineStart = false;
            if ((mCmdSep & CMDSEP_NO_INDENT) && !sawLeadingBlank && !mCurrentLine.empty()) {
                // This byte opens the next command: run the current one, then read it again.
                --i;
                ok = endCommand();
                continue;
            }
            if (c == '#') {
                inComment = true;
                continue;
            }
        }
        if (c == '\n') {
            atLineStart = true;
            sawLeadingBlank = false;
            if (inComment) {
                inComment = false;
            } else {
                if (escapePending) {
                    append('\\');
                    escapePending = false;
                }
                append(c);
            }
            ++lineCounter;
            continue;
        }
        if (inComment) continue;
        const bool inQuotes = inSingle || inDouble;
        if (c == '\\') {
            if (!inQuotes) {
                append(c);
            } else if (escapePending) {
                append('\\');
                append('\\');
                escapePending = false;
            } else {
                escapePending = true;
            }
            continue;
        }
        if ((c == '\'' && !inDouble) || (c == '"' && !inSingle)) {
            if (escapePending) {
                append('\\');
                append(c);
                escapePending = false;
            } else {
                if (c == '\'') inSingle = !inSingle;
                else inDouble = !inDouble;
                append(c);
            }
            continue;
        }
        if (c == ';' && !inQuotes && (mCmdSep & CMDSEP_SEMICOLON)) {
            ok = endCommand();
            continue;
        }
        if (escapePending) {
            append('\\');
            escapePending = false;
        }
        append(c);
    }
    if (ok) ok = endCommand();

    mCurrentLine.clear();
    mCurrentLineNum = 0;
    return ok;
}

bool DescParser::ParseDescriptorLine(const std::string& line) {
    ListDataElement list;
    if (!ParseToList(line, &list, false, nullptr)) return false;
    if (list.mElementVector.empty()) return true;
    if (list.mElementVector[0]->mIsList) return Error("Missing Command");
    return HandleCommand(list);
}

bool DescParser::ParseToList(const std::string& text, ListDataElement* list, bool expectListEnd, size_t* pos) {
    return ParseToList(text, list, expectListEnd, pos, 0);
}

bool DescParser::ParseToList(const std::string& text, ListDataElement* list, bool expectListEnd, size_t* pos,
                             int depth) {
    size_t localPos = 0;
    if (!pos) pos = &localPos;
    bool inSingle = false, inDouble = false, escaped = false;
    SingleDataElement* token = nullptr;
    auto append = [&](char c) {
        if (!token) {
            auto t = std::make_unique<SingleDataElement>();
            token = t.get();
            list->mElementVector.push_back(std::move(t));
        }
        token->mString += c;
    };

    while (*pos < text.size()) {
        const char c = text[(*pos)++];
        if (escaped) {
            escaped = false;
            append(c);
            continue;
        }
        if (c == '\'' && !inDouble) inSingle = !inSingle;
        else if (c == '"' && !inSingle) inDouble = !inDouble;
        if (IsQuote(c)) {
            append(c);
            continue;
        }
        if (c == '\\') {
            escaped = true;
            continue;
        }
        if (inSingle || inDouble) {
            append(c);
            continue;
        }
        if (c == ')') {
            if (expectListEnd) return true;
            return Error("Unexpected List End");
        }
        if (c == '(') {
            if (token) return Error("Unexpected List Start");
            if (depth >= kMaxListDepth) return Error("Lists nested too deeply");
            auto sub = std::make_unique<ListDataElement>();
            ListDataElement* raw = sub.get();
            list->mElementVector.push_back(std::move(sub));
            if (!ParseToList(text, raw, true, pos, depth + 1)) return false;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == ',') {
            token = nullptr;
            continue;
        }
        append(c);
    }
    if (inSingle) return Error("Unterminated Single Quotes");
    if (inDouble) return Error("Unterminated Double Quotes");
    if (expectListEnd) return Error("Unterminated List");
    return true;
}

std::string DescParser::Unquote(const std::string& token) {
    if (token.empty() || !IsQuote(token[0])) return token;
    const char kind = token[0];
    std::string out;
    bool wasQuote = false;
    for (char c : token) {
        if (c == kind) {
            if (wasQuote) out += c;
            wasQuote = true;
        } else {
            out += c;
            wasQuote = false;
        }
    }
    return out;
}

bool DescParser::IsLiteralToken(const std::string& token) {
    if (token.empty()) return false;
    const char c = token[0];
    return std::isdigit(U(c)) || c == '-' || c == '+' || IsQuote(c);
}

bool DescParser::GetValues(const ListDataElement& source, ListDataElement* dest) {
    dest->mElementVector.clear();
    for (const auto& e : source.mElementVector) {
        if (e->mIsList) {
            auto sub = std::make_unique<ListDataElement>();
            if (!GetValues(static_cast<const ListDataElement&>(*e), sub.get())) return false;
            dest->mElementVector.push_back(std::move(sub));
            continue;
        }
        const std::string& s = static_cast<const SingleDataElement&>(*e).mString;
        if (s.empty()) continue;
        if (IsQuote(s[0])) {
            dest->mElementVector.push_back(std::make_unique<SingleDataElement>(Unquote(s)));
        } else if (std::isdigit(U(s[0])) || s[0] == '-' || s[0] == '+') {
            dest->mElementVector.push_back(e->Duplicate());
        } else if (DataElement* def = FindDefine(s)) {
            dest->mElementVector.push_back(def->Duplicate());
        } else {
            return Error(DereferenceError(s));
        }
    }
    return true;
}

bool DescParser::DataToList(const DataElement& source, ListDataElement* dest) {
    if (source.mIsList) return GetValues(static_cast<const ListDataElement&>(source), dest);
    DataElement* def = FindDefine(static_cast<const SingleDataElement&>(source).mString);
    if (!def || !def->mIsList) return false;
    *dest = static_cast<const ListDataElement&>(*def);
    return true;
}

bool DescParser::DataToString(const DataElement& source, std::string* out) {
    out->clear();
    if (source.mIsList) return false;
    const std::string& s = static_cast<const SingleDataElement&>(source).mString;
    if (DataElement* def = FindDefine(s)) {
        if (def->mIsList) return false;
        *out = Unquote(static_cast<const SingleDataElement&>(*def).mString);
        return true;
    }
    *out = Unquote(s);
    return true;
}

bool DescParser::DataToStringVector(const DataElement& source, std::vector<std::string>* out) {
    out->clear();
    ListDataElement resolved;
    const ListDataElement* list = nullptr;
    if (source.mIsList) {
        if (!GetValues(static_cast<const ListDataElement&>(source), &resolved)) return false;
        list = &resolved;
    } else {
        const std::string& name = static_cast<const SingleDataElement&>(source).mString;
        DataElement* def = FindDefine(name);
        if (!def) return Error(DereferenceError(name));
        if (!def->mIsList) return false;
        list = static_cast<const ListDataElement*>(def);
    }
    for (const auto& e : list->mElementVector) {
        if (e->mIsList) {
            out->clear();
            return false;
        }
        out->push_back(static_cast<const SingleDataElement&>(*e).mString);
    }
    return true;
}

bool DescParser::DataToIntVector(const DataElement& source, std::vector<int>* out) {
    out->clear();
    std::vector<std::string> strings;
    if (!DataToStringVector(source, &strings)) return false;
    for (const std::string& s : strings) {
        int v = 0;
        if (!orvek::parse_int(s, &v)) return false;
        out->push_back(v);
    }
    return true;
}

bool DescParser::DataToDoubleVector(const DataElement& source, std::vector<double>* out) {
    out->clear();
    std::vector<std::string> strings;
    if (!DataToStringVector(source, &strings)) return false;
    for (const std::string& s : strings) {
        double v = 0;
        if (!orvek::parse_double(s, &v)) return false;
        out->push_back(v);
    }
    return true;
}

std::string DescParser::DataElementToString(const DataElement& element) {
    if (!element.mIsList) return static_cast<const SingleDataElement&>(element).mString;
    std::string s = "(";
    const auto& v = static_cast<const ListDataElement&>(element).mElementVector;
    for (size_t i = 0; i < v.size(); ++i) {
        if (i) s += ", ";
        s += DataElementToString(*v[i]);
    }
    return s + ")";
}

}  // namespace Vant
