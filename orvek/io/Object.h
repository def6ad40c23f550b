#pragma once
// Interface of everything an object stream writes as an object record.

namespace orvek::io {

class IStream;
class OStream;

class Object {
public:
    virtual void save(OStream& stream) const = 0;
    virtual void load(IStream& stream) = 0;
    virtual ~Object() = default;
};

}  // namespace orvek::io
