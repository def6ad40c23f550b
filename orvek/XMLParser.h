#pragma once
// Pull reader for the game's XML-like data files (configuration, skins,
// resources, records, levels). Not a conforming XML parser: its grammar is
// deliberately small and lenient, see XMLParser.cpp.
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace Vant {

class XMLElement {
public:
    enum Type {
        TYPE_NONE = 0,
        TYPE_START = 1,
        TYPE_END = 2,
        TYPE_ELEMENT = 3,      // a run of text
        TYPE_INSTRUCTION = 4,  // <?target rest?>
        TYPE_COMMENT = 5       // internal, never handed out
    };

    using AttributeMap = std::map<std::string, std::string>;

    XMLElement() = default;
    XMLElement(const XMLElement& other);
    XMLElement& operator=(const XMLElement& other);
    XMLElement(XMLElement&&) = default;
    XMLElement& operator=(XMLElement&&) = default;

    int mType = TYPE_NONE;
    // Path of the open elements before this item, names joined by "/".
    // Read-only for callers: when the same record is passed again, the
    // reader changes only the part of it that differs from the last item.
    std::string mSection;
    // Tag name, text, or the target of a processing instruction.
    std::string mValue;
    // The rest of a processing instruction.
    std::string mInstruction;
    AttributeMap mAttributes;
    // Attribute names of this item in the order they stand in the tag.
    std::vector<std::string> mAttributeNames;

private:
    friend class XMLParser;
    // Map nodes kept between items so that reusing one record for a whole
    // file does not allocate for every attribute.
    std::vector<AttributeMap::node_type> mSpareNodes;
    // Which reader's item the section was last written for (0: none, and
    // never copied), so a copy or a new record gets the whole path.
    std::uint64_t mSectionStamp = 0;
};

class XMLParser {
public:
    // Deepest nesting of elements a file may have; deeper is an error.
    static constexpr std::size_t kMaxDepth = 4096;

    XMLParser();
    virtual ~XMLParser();
    XMLParser(const XMLParser&) = delete;
    XMLParser& operator=(const XMLParser&) = delete;

    bool OpenFile(const std::string& fileName);
    // Reads the next item into the record; false at the end of the file or
    // on an error (HasFailed and GetErrorText tell which).
    bool NextElement(XMLElement* element);

    const std::string& GetFileName() const { return mFileName; }
    const std::string& GetErrorText() const { return mErrorText; }
    int GetCurrentLineNum() const { return mLineNum; }
    bool HasFailed() const { return mHasFailed; }
    const std::string& GetSection() const { return mSection; }

private:
    int ReadByte();
    bool Refill();
    bool Fail(const char* text);
    void UpdateSection(XMLElement* element);
    void PopSection(std::size_t start);
    void AddAttribute(XMLElement* element);
    void ScanPlain(std::string& dst, const bool* table);
    void ScanQuoted(std::string& dst);
    void ScanText(std::string& dst, bool& pendingBlank);

    std::string mFileName;
    std::string mErrorText;
    int mLineNum = 0;
    std::FILE* mFile = nullptr;
    bool mHasFailed = false;
    std::vector<unsigned char> mPushback;
    std::string mSection;
    // Where each open element's name starts in mSection: the section alone
    // cannot tell for names that are empty or hold a "/".
    std::vector<std::size_t> mOpenNames;
    // The last start tag closed itself: its end tag comes next.
    bool mCloseNext = false;
    // The record the section was last written into (by its stamp), its
    // length then, and how many leading bytes of mSection it still holds.
    std::uint64_t mRecordStamp = 0;
    std::size_t mRecordSize = 0;
    std::size_t mRecordKnown = 0;

    // Read buffer over the file.
    std::vector<unsigned char> mBuffer;
    const unsigned char* mPos = nullptr;
    const unsigned char* mEnd = nullptr;

    // Scratch buffers of the attribute being read, kept for their capacity.
    std::string mAttrName;
    std::string mAttrValue;
};

}  // namespace Vant
