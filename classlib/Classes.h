// String lists and streams.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "classlib/Object.h"

// An ordered list of strings. Text joins them with CR LF after every line;
// setting Text splits at CR LF, lone CR or lone LF.
class TStrings : public TPersistent {
    DECLARE_CLASS(TStrings, TPersistent)
public:
    virtual int Count() const = 0;
    virtual String Get(int index) const = 0;
    virtual void Put(int index, const String& s);
    virtual void Insert(int index, const String& s) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual int Add(const String& s);
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}

    String operator[](int index) const { return Get(index); }
    String Strings(int index) const { return Get(index); }
    int IndexOf(const String& s) const;
    void AddStrings(const TStrings& other);
    void Assign(const TPersistent* source) override;

    virtual String Text() const;
    virtual void SetText(const String& text);
    void LoadFromFile(const String& fileName);   // ANSI text
    void SaveToFile(const String& fileName) const;

    // Splits text into lines the way SetText does.
    static std::vector<String> SplitLines(const String& text);
};

class TStringList : public TStrings {
    DECLARE_CLASS(TStringList, TStrings)
public:
    int Count() const override { return int(items_.size()); }
    String Get(int index) const override;
    void Put(int index, const String& s) override;
    void Insert(int index, const String& s) override;
    void Delete(int index) override;
    void Clear() override { items_.clear(); Changed(); }
    void Sort();
    TNotifyEvent OnChange;

private:
    void Check(int index, bool allowEnd = false) const;
    void Changed() { if (OnChange) OnChange(this); }
    std::vector<String> items_;
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
    DECLARE_CLASS(TStream, TObject)
public:
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    // Exactly count bytes or EReadError / EWriteError.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t p) { Seek(p, TSeekOrigin::soBeginning); }
    virtual int64_t Size();
    int64_t CopyFrom(TStream& source, int64_t count);  // count 0: the whole source
    std::string ReadAll();
};

enum TFileMode : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareDenyWrite = 0x0020,
    fmCreate = 0xFF00,
};

class TFileStream : public TStream {
    DECLARE_CLASS(TFileStream, TStream)
public:
    // fmCreate creates or truncates (EFCreateError), otherwise opens (EFOpenError).
    TFileStream(const String& fileName, unsigned mode);
    ~TFileStream() override;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    const String& FileName() const { return fileName_; }

private:
    void* handle_;
    String fileName_;
};

class TMemoryStream : public TStream {
    DECLARE_CLASS(TMemoryStream, TStream)
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string data) : data_(std::move(data)) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return int64_t(data_.size()); }
    void Clear() { data_.clear(); pos_ = 0; }
    void LoadFromFile(const String& fileName);
    void SaveToFile(const String& fileName);
    const std::string& Data() const { return data_; }

private:
    std::string data_;
    size_t pos_ = 0;
};
