#include "orvek/XMLParser.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "orvek/File.h"

// The grammar, in short: one item per call (start tag with its attributes,
// end tag, text, processing instruction); comments are skipped. Text is
// trimmed and inner white space collapsed to one blank, except inside double
// quotes. Attribute values may be quoted or bare. An unquoted "/" right
// before ">" makes the tag self-closing: the reader then hands out the
// matching end tag on the next call. Entities: lt amp gt quot apos nbsp cr,
// any other name gives "&" alone.
//
// The byte-wise state machine below is the whole grammar; the Scan* helpers
// only consume runs of bytes from the buffer whose treatment by the state
// machine is known in advance, which keeps the reader fast.

namespace Vant {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

inline bool IsBlank(unsigned c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

struct CharTables {
    bool tagName[256];   // plain bytes of a tag name
    bool attrPlain[256]; // plain bytes of an unquoted attribute name or value
    bool text[256];      // plain bytes of text
    CharTables() {
        for (unsigned c = 0; c < 256; ++c) {
            bool printable = c >= 0x21 && c != '"' && c != '<' && c != '>';
            text[c] = printable;
            tagName[c] = printable && c != '/';
            attrPlain[c] = printable && c != '/' && c != '=';
        }
    }
};
const CharTables kTables;

void Decode(std::string& s) {
    std::size_t amp = s.find('&');
    if (amp == std::string::npos) return;
    std::string out;
    out.reserve(s.size());
    out.append(s, 0, amp);
    std::size_t i = amp;
    while (i < s.size()) {
        char ch = s[i];
        if (ch != '&') {
            out.push_back(ch);
            ++i;
            continue;
        }
        std::size_t semi = s.find(';', i + 1);
        if (semi == std::string::npos) {
            out.append(s, i, std::string::npos);
            break;
        }
        std::string_view name(s.data() + i + 1, semi - i - 1);
        if (name == "lt") out.push_back('<');
        else if (name == "amp") out.push_back('&');
        else if (name == "gt") out.push_back('>');
        else if (name == "quot") out.push_back('"');
        else if (name == "apos") out.push_back('\'');
        else if (name == "nbsp") out.push_back(' ');
        else if (name == "cr") out.push_back('\n');
        else out.push_back('&');
        i = semi + 1;
    }
    s.swap(out);
}

}  // namespace

XMLElement::XMLElement(const XMLElement& other)
    : mType(other.mType),
      mSection(other.mSection),
      mValue(other.mValue),
      mInstruction(other.mInstruction),
      mAttributes(other.mAttributes),
      mAttributeNames(other.mAttributeNames) {}

XMLElement& XMLElement::operator=(const XMLElement& other) {
    if (this != &other) {
        mType = other.mType;
        mSection = other.mSection;
        mValue = other.mValue;
        mInstruction = other.mInstruction;
        mAttributes = other.mAttributes;
        mAttributeNames = other.mAttributeNames;
        mSectionStamp = 0;
    }
    return *this;
}

XMLParser::XMLParser() = default;

XMLParser::~XMLParser() {
    if (mFile) std::fclose(mFile);
}

bool XMLParser::OpenFile(const std::string& fileName) {
    if (mFile) {
        std::fclose(mFile);
        mFile = nullptr;
    }
    mPushback.clear();
    mPos = mEnd = nullptr;
    mFileName = fileName;
    mFile = std::fopen(orvek::resolve_path(fileName).c_str(), "rb");
    if (!mFile) {
        mLineNum = 0;
        mHasFailed = true;
        mErrorText = "Unable to open file " + fileName;
        return false;
    }
    mSection.clear();
    mOpenNames.clear();
    mCloseNext = false;
    mRecordStamp = 0;
    mRecordSize = mRecordKnown = 0;
    mErrorText.clear();
    mLineNum = 1;
    mHasFailed = false;
    return true;
}

bool XMLParser::Refill() {
    if (!mFile) return false;
    if (mBuffer.size() != kBufferSize) mBuffer.resize(kBufferSize);
    std::size_t n = std::fread(mBuffer.data(), 1, mBuffer.size(), mFile);
    if (n == 0) {
        // A failed read is no end of the file: what follows was never seen.
        if (std::ferror(mFile)) {
            std::string text = std::string("Read error: ") + std::strerror(errno);
            Fail(text.c_str());
        }
        return false;
    }
    mPos = mBuffer.data();
    mEnd = mPos + n;
    return true;
}

inline int XMLParser::ReadByte() {
    unsigned c;
    if (!mPushback.empty()) {
        c = mPushback.back();
        mPushback.pop_back();
    } else {
        if (mPos == mEnd && !Refill()) return -1;
        c = *mPos++;
    }
    if (c == '\n') ++mLineNum;
    return static_cast<int>(c);
}

bool XMLParser::Fail(const char* text) {
    mHasFailed = true;
    mErrorText = text;
    return false;
}

// Copying the whole path into every item would make deep files quadratic;
// a record passed again gets only what changed since its last item.
void XMLParser::UpdateSection(XMLElement* e) {
    static std::atomic<std::uint64_t> stamps{0};
    if (e->mSectionStamp != 0 && e->mSectionStamp == mRecordStamp && e->mSection.size() == mRecordSize) {
        e->mSection.resize(mRecordKnown);
        e->mSection.append(mSection, mRecordKnown, std::string::npos);
    } else {
        e->mSection.assign(mSection);
    }
    mRecordStamp = e->mSectionStamp = stamps.fetch_add(1, std::memory_order_relaxed) + 1;
    mRecordSize = mRecordKnown = mSection.size();
}

// Closes the innermost element, whose name starts at start.
void XMLParser::PopSection(std::size_t start) {
    mOpenNames.pop_back();
    mSection.resize(start == 0 ? 0 : start - 1);
    mRecordKnown = std::min(mRecordKnown, mSection.size());
}

// Appends the run of bytes that the table calls plain.
void XMLParser::ScanPlain(std::string& dst, const bool* table) {
    if (!mPushback.empty()) return;
    const unsigned char* p = mPos;
    while (p < mEnd && table[*p]) ++p;
    dst.append(reinterpret_cast<const char*>(mPos), p - mPos);
    mPos = p;
}

// Appends everything up to the closing quote.
void XMLParser::ScanQuoted(std::string& dst) {
    if (!mPushback.empty() || mPos == mEnd) return;
    const void* q = std::memchr(mPos, '"', mEnd - mPos);
    const unsigned char* p = q ? static_cast<const unsigned char*>(q) : mEnd;
    mLineNum += static_cast<int>(std::count(mPos, p, '\n'));
    dst.append(reinterpret_cast<const char*>(mPos), p - mPos);
    mPos = p;
}

// Text outside quotes: plain runs are appended, blank runs become one
// pending blank. Called with at least one byte already in dst.
void XMLParser::ScanText(std::string& dst, bool& pendingBlank) {
    if (!mPushback.empty()) return;
    const unsigned char* p = mPos;
    while (p < mEnd) {
        unsigned c = *p;
        if (kTables.text[c]) {
            if (pendingBlank) {
                dst.push_back(' ');
                pendingBlank = false;
            }
            const unsigned char* q = p + 1;
            while (q < mEnd && kTables.text[*q]) ++q;
            dst.append(reinterpret_cast<const char*>(p), q - p);
            p = q;
        } else if (IsBlank(c)) {
            if (c == '\n') ++mLineNum;
            pendingBlank = true;
            ++p;
        } else {
            break;
        }
    }
    mPos = p;
}

void XMLParser::AddAttribute(XMLElement* element) {
    Decode(mAttrName);
    Decode(mAttrValue);
    XMLElement::AttributeMap& attrs = element->mAttributes;
    auto it = attrs.lower_bound(mAttrName);
    if (it != attrs.end() && it->first == mAttrName) {
        it->second.assign(mAttrValue);
    } else if (!element->mSpareNodes.empty()) {
        XMLElement::AttributeMap::node_type node = std::move(element->mSpareNodes.back());
        element->mSpareNodes.pop_back();
        node.key().assign(mAttrName);
        node.mapped().assign(mAttrValue);
        attrs.insert(it, std::move(node));
    } else {
        attrs.emplace_hint(it, mAttrName, mAttrValue);
    }
    if (mAttrName != "/") element->mAttributeNames.push_back(mAttrName);
    mAttrName.clear();
    mAttrValue.clear();
}

bool XMLParser::NextElement(XMLElement* e) {
    if (mHasFailed) return false;
    // Where an unquoted "/" was just appended: it closes the tag when ">"
    // follows (blanks in between allowed).
    enum Target { kNoSlash, kTagName, kAttrName, kAttrValue };

    for (;;) {
        e->mType = XMLElement::TYPE_NONE;
        UpdateSection(e);
        e->mValue.clear();
        e->mInstruction.clear();
        while (!e->mAttributes.empty())
            e->mSpareNodes.push_back(e->mAttributes.extract(e->mAttributes.begin()));
        e->mAttributeNames.clear();
        mAttrName.clear();
        mAttrValue.clear();

        int& type = e->mType;
        std::string& value = e->mValue;
        if (mCloseNext) {
            // The end tag of a self-closing element, as if "</name>" followed.
            mCloseNext = false;
            type = XMLElement::TYPE_END;
            value.assign(mSection, mOpenNames.back(), std::string::npos);
            PopSection(mOpenNames.back());
            Decode(value);
            return true;
        }
        std::string& instr = e->mInstruction;
        bool inQuotes = false, pendingBlank = false, inAttributes = false;
        bool afterEquals = false, quoteClosed = false;
        Target slash = kNoSlash;

        for (;;) {
            int ci = ReadByte();
            if (ci < 0) {
                if (mHasFailed) return false;
                // A file that ends inside open elements is cut short, not complete.
                if (type != XMLElement::TYPE_NONE || !mOpenNames.empty())
                    return Fail("Unexpected End of File");
                return false;
            }
            unsigned c = static_cast<unsigned>(ci);

            if (type == XMLElement::TYPE_COMMENT) {
                instr.push_back(static_cast<char>(c));
                if (c == '>' && instr.size() >= 3 && instr.compare(instr.size() - 3, 3, "-->") == 0) {
                    instr.resize(instr.size() - 3);
                    break;
                }
                if (mPushback.empty() && mPos < mEnd) {
                    const void* q = std::memchr(mPos, '>', mEnd - mPos);
                    const unsigned char* p = q ? static_cast<const unsigned char*>(q) : mEnd;
                    mLineNum += static_cast<int>(std::count(mPos, p, '\n'));
                    instr.append(reinterpret_cast<const char*>(mPos), p - mPos);
                    mPos = p;
                }
                continue;
            }
            if (type == XMLElement::TYPE_INSTRUCTION) {
                std::string& dst = (instr.empty() && !IsBlank(c)) ? value : instr;
                dst.push_back(static_cast<char>(c));
                if (c == '>' && dst.size() >= 2 && dst.compare(dst.size() - 2, 2, "?>") == 0) {
                    dst.resize(dst.size() - 2);
                    break;
                }
                continue;
            }

            bool content = false;
            if (c == '"') {
                inQuotes = !inQuotes;
                if (!inQuotes) quoteClosed = true;
                slash = kNoSlash;
                // In text the quote is part of the text; in a tag it is dropped.
                if (type == XMLElement::TYPE_NONE || type == XMLElement::TYPE_ELEMENT) content = true;
                else continue;
            } else if (inQuotes) {
                content = true;
            } else if (c == '<') {
                if (type == XMLElement::TYPE_ELEMENT) {
                    mPushback.push_back('<');
                    break;
                }
                if (type != XMLElement::TYPE_NONE) return Fail("Unexpected '<'");
                type = XMLElement::TYPE_START;
                continue;
            } else if (c == '>') {
                if (type == XMLElement::TYPE_START) {
                    quoteClosed = false;
                    bool selfClosing = slash != kNoSlash;
                    if (slash == kTagName) value.pop_back();
                    else if (slash == kAttrName) mAttrName.pop_back();
                    else if (slash == kAttrValue) mAttrValue.pop_back();
                    if (!mAttrName.empty()) AddAttribute(e);
                    if (mOpenNames.size() >= kMaxDepth) {
                        const std::string text =
                            "Elements nested too deeply (more than " + std::to_string(kMaxDepth) + " levels)";
                        return Fail(text.c_str());
                    }
                    // The next call hands out the matching end tag.
                    mCloseNext = selfClosing;
                    if (!mOpenNames.empty()) mSection.push_back('/');
                    mOpenNames.push_back(mSection.size());
                    mSection.append(value);
                    break;
                }
                if (type == XMLElement::TYPE_END) {
                    if (mOpenNames.empty()) return Fail("Unexpected End");
                    std::size_t start = mOpenNames.back();
                    if (mSection.compare(start, std::string::npos, value) != 0) {
                        std::string text = "End '" + value + "' Doesn't Match Start '" +
                                           mSection.substr(start) + "'";
                        return Fail(text.c_str());
                    }
                    PopSection(start);
                    break;
                }
                return Fail("Unexpected '>'");
            } else if (c == '/' && type == XMLElement::TYPE_START && value.empty()) {
                type = XMLElement::TYPE_END;
                continue;
            } else if (c == '?' && type == XMLElement::TYPE_START && value.empty()) {
                type = XMLElement::TYPE_INSTRUCTION;
                continue;
            } else if (IsBlank(c)) {
                if (!value.empty()) pendingBlank = true;
                if (type == XMLElement::TYPE_START && value == "!--") {
                    type = XMLElement::TYPE_COMMENT;
                    continue;
                }
                // Further blanks would only repeat what this one did.
                if (mPushback.empty()) {
                    const unsigned char* p = mPos;
                    while (p < mEnd && IsBlank(*p)) {
                        if (*p == '\n') ++mLineNum;
                        ++p;
                    }
                    mPos = p;
                }
                continue;
            } else if (c < 0x21) {
                return Fail("Illegal Character");
            } else {
                content = true;
            }
            if (!content) continue;

            // A content byte.
            bool unquotedSlash = c == '/' && !inQuotes;
            slash = kNoSlash;
            if (type == XMLElement::TYPE_NONE) type = XMLElement::TYPE_ELEMENT;
            if (type != XMLElement::TYPE_START) {
                if (pendingBlank) {
                    value.push_back(' ');
                    pendingBlank = false;
                }
                value.push_back(static_cast<char>(c));
                if (inQuotes) ScanQuoted(value);
                else if (type == XMLElement::TYPE_ELEMENT && c != '"') ScanText(value, pendingBlank);
                continue;
            }

            // Inside a start tag. A quoted "=" is an ordinary byte of the value.
            bool equals = c == '=' && !inQuotes;
            if (pendingBlank) {
                if (!inAttributes) {
                    inAttributes = true;
                    afterEquals = false;
                } else if ((!afterEquals && !equals) ||
                           (afterEquals && (!mAttrValue.empty() || quoteClosed))) {
                    AddAttribute(e);
                    afterEquals = false;
                }
                pendingBlank = false;
            }
            std::string* dst;
            Target target;
            const bool* table;
            if (!inAttributes) {
                dst = &value;
                target = kTagName;
                table = kTables.tagName;
            } else if (equals) {
                afterEquals = true;
                quoteClosed = false;
                continue;
            } else if (afterEquals) {
                dst = &mAttrValue;
                target = kAttrValue;
                table = kTables.attrPlain;
            } else {
                dst = &mAttrName;
                target = kAttrName;
                table = kTables.attrPlain;
            }
            dst->push_back(static_cast<char>(c));
            if (inQuotes) ScanQuoted(*dst);
            else if (unquotedSlash) slash = target;
            else ScanPlain(*dst, table);
        }

        Decode(value);
        if (type == XMLElement::TYPE_COMMENT) continue;
        return true;
    }
}

}  // namespace Vant
