#pragma once
// The small command language of the image-font descriptors: a command is a
// name followed by arguments, each a token or a bracketed list, and names can
// be bound to values by defines. The parser knows no command itself; a
// derived class handles each one and uses the resolution helpers here to turn
// arguments into strings, numbers and lists.
//
// Text is 8-bit bytes; define names are compared upper-cased.
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Vant {

class DataElement {
public:
    explicit DataElement(bool isList) : mIsList(isList) {}
    virtual ~DataElement() = default;
    // A deep copy.
    virtual std::unique_ptr<DataElement> Duplicate() const = 0;

    bool mIsList;

protected:
    DataElement(const DataElement&) = default;
    DataElement& operator=(const DataElement&) = default;
};

// One token exactly as scanned, its quotes included.
class SingleDataElement : public DataElement {
public:
    SingleDataElement() : DataElement(false) {}
    explicit SingleDataElement(std::string s) : DataElement(false), mString(std::move(s)) {}
    std::unique_ptr<DataElement> Duplicate() const override;

    std::string mString;
};

class ListDataElement : public DataElement {
public:
    ListDataElement() : DataElement(true) {}
    ListDataElement(const ListDataElement& other);
    ListDataElement& operator=(const ListDataElement& other);
    std::unique_ptr<DataElement> Duplicate() const override;

    std::vector<std::unique_ptr<DataElement>> mElementVector;
};

class DescParser {
public:
    // Bits of mCmdSep: ";" outside quotes ends a command; a line that starts
    // in column 0 begins a new command while an indented one continues.
    enum { CMDSEP_SEMICOLON = 1, CMDSEP_NO_INDENT = 2 };

    DescParser() = default;
    DescParser(const DescParser&) = delete;
    DescParser& operator=(const DescParser&) = delete;

    // Stores the message as the error text; always false.
    virtual bool Error(const std::string& message);
    // The value bound to the upper-cased name, or none. The map keeps it.
    virtual DataElement* FindDefine(const std::string& name);
    virtual bool HandleCommand(const ListDataElement& params) = 0;
    virtual ~DescParser() = default;

    // False, with no message, when the file cannot be opened; false when a
    // command fails (reading stops there); true otherwise.
    bool LoadDescriptor(const std::string& fileName);
    // The same reading over bytes already in memory.
    bool LoadDescriptorText(std::string_view text);
    bool ParseDescriptorLine(const std::string& line);
    // Tokenizes text from *pos (0 when pos is null) into list; with
    // expectListEnd the call ends at the ")" that closes the list.
    bool ParseToList(const std::string& text, ListDataElement* list, bool expectListEnd, size_t* pos);

    static std::string Unquote(const std::string& token);
    static bool IsLiteralToken(const std::string& token);

    bool GetValues(const ListDataElement& source, ListDataElement* dest);
    bool DataToList(const DataElement& source, ListDataElement* dest);
    bool DataToString(const DataElement& source, std::string* out);
    bool DataToStringVector(const DataElement& source, std::vector<std::string>* out);
    bool DataToIntVector(const DataElement& source, std::vector<int>* out);
    bool DataToDoubleVector(const DataElement& source, std::vector<double>* out);
    static std::string DataElementToString(const DataElement& element);

    int mCmdSep = CMDSEP_SEMICOLON;
    std::string mError;
    // The line on which the command being read or handled began; 0 outside loading.
    int mCurrentLineNum = 0;
    std::string mCurrentLine;
    std::map<std::string, std::unique_ptr<DataElement>> mDefineMap;

private:
    bool ParseToList(const std::string& text, ListDataElement* list, bool expectListEnd, size_t* pos, int depth);
};

}  // namespace Vant
