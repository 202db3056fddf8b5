// Collections of persistent items and their streaming in component data: a
// collection writes its items' published properties, and an item can define
// extra properties of its own (DefineBinaryProperty) that are written and read
// back by name. The stream format is the class library's own: a signature, an
// item count, then for every item its properties as {name, type, value} records
// ended by an empty name.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "classlib/Classes.h"

class TCollection;
class TReader;
class TWriter;

// Passed to DefineProperties: the writer saves the property when hasData is
// set, the reader calls the read procedure when the stream holds it.
class TFiler {
public:
    virtual ~TFiler() = default;
    using TStreamProc = std::function<void(TStream&)>;
    virtual void DefineBinaryProperty(const String& name, const TStreamProc& readData, const TStreamProc& writeData,
                                      bool hasData) = 0;
};

class TCollectionItem : public TPersistent {
    DECLARE_CLASS(TCollectionItem, TPersistent)
public:
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;
    TCollection* Collection() const { return collection_; }
    int Index() const;
    // Moves the item to position index (clamped to the collection); the
    // others keep their order.
    void SetIndex(int index);
    // Streaming of the published properties; ReadProperty answers false for a
    // name it does not know (the reader then skips the value).
    virtual void WriteProperties(TWriter& writer) const {}
    virtual bool ReadProperty(const String& name, TReader& reader) { return false; }
    virtual void DefineProperties(TFiler& filer) {}

private:
    friend class TCollection;
    TCollection* collection_;
};

class TCollection : public TPersistent {
    DECLARE_CLASS(TCollection, TPersistent)
public:
    using TItemFactory = std::function<TCollectionItem*(TCollection*)>;
    explicit TCollection(TItemFactory factory);
    ~TCollection() override;
    int Count() const { return int(items_.size()); }
    TCollectionItem* Items(int index) const;
    TCollectionItem* Add();
    void Delete(int index);
    void Clear();
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    // Copies the items of another collection of the same kind (Assign of each item).
    void Assign(const TPersistent* source) override;
    virtual TPersistent* GetOwner() const { return nullptr; }

protected:
    // Called after every change while not in an update.
    virtual void Update(TCollectionItem* item) {}
    void Changed();

private:
    friend class TCollectionItem;
    TItemFactory factory_;
    std::vector<TCollectionItem*> items_;
    int updateCount_ = 0;
};

class TWriter : public TFiler {
public:
    explicit TWriter(TStream& stream) : stream_(stream) {}
    void WriteCollection(const TCollection& collection);
    void WriteString(const String& name, const String& value);
    void WriteInteger(const String& name, int64_t value);
    void WriteFloat(const String& name, double value);
    void WriteBinary(const String& name, const std::string& bytes);
    void DefineBinaryProperty(const String& name, const TStreamProc& readData, const TStreamProc& writeData,
                              bool hasData) override;

private:
    void Name(const String& name);
    void Raw(const void* p, size_t n) { stream_.WriteBuffer(p, int64_t(n)); }
    TStream& stream_;
};

// Reads what TWriter wrote. A damaged stream raises EReadError.
class TReader : public TFiler {
public:
    explicit TReader(TStream& stream) : stream_(stream) {}
    void ReadCollection(TCollection& collection);
    // The value of the current property, converted to what the caller asks.
    String ReadString();
    int64_t ReadInteger();
    double ReadFloat();
    std::string ReadBinary();
    void DefineBinaryProperty(const String& name, const TStreamProc& readData, const TStreamProc& writeData,
                              bool hasData) override;

private:
    String ReadName();
    void SkipValue();
    uint8_t ValueType();
    void TakeValue(uint8_t type);
    std::string CountedValue(uint8_t type);
    void Raw(void* p, size_t n) { stream_.ReadBuffer(p, int64_t(n)); }
    TStream& stream_;
    String current_;
    bool handled_ = false;
    uint8_t pendingType_ = 0;
    bool typeRead_ = false;
};
